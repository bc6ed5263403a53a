#include "wordmodel/resources.h"

#include <atomic>

namespace vn::wordmodel {

namespace {

std::atomic<uint32_t> gLastResourceId{0};

int32_t NextResourceId() { return static_cast<int32_t>(gLastResourceId.fetch_add(1, std::memory_order_relaxed) + 1); }

}  // namespace

// ---------------------------------------------------------------------------
// TvnResource

TvnResource::TvnResource(const String& AResourcename) : FResID(NextResourceId()), FResourceName(AResourcename) {}

TvnResource::~TvnResource() = default;

void TvnResource::SetResourceFile(const String& Value) {
  FResFile = Value;
  FResourceLocation = TvnResourceLoc::rlFile;
}

vn::TStream* TvnResource::GetResourceStream() { return FResStream.get(); }

void TvnResource::SetResourceStream(std::shared_ptr<vn::TStream> Value) {
  FResStream = std::move(Value);
  FResourceLocation = TvnResourceLoc::rlStream;
}

// ---------------------------------------------------------------------------
// TvnResourceCollection

TvnResourceCollection::TvnResourceCollection() = default;
TvnResourceCollection::~TvnResourceCollection() = default;

bool TvnResourceCollection::AddResource(std::unique_ptr<TvnResource> AResource) {
  if (!AResource) return false;
  const int32_t id = AResource->GetResourceId();
  const String& name = AResource->GetResourceName();
  if (FResById.count(id) != 0 || (!name.empty() && FResByName.count(name) != 0)) return false;
  if (!name.empty()) FResByName[name] = AResource.get();
  FResById[id] = std::move(AResource);
  return true;
}

bool TvnResourceCollection::ContainsResource(int32_t AResId) const { return FResById.count(AResId) != 0; }

bool TvnResourceCollection::ContainsResource(const String& AResName) const { return FResByName.count(AResName) != 0; }

TvnResource* TvnResourceCollection::GetResource(int32_t AResId) const {
  auto it = FResById.find(AResId);
  return it == FResById.end() ? nullptr : it->second.get();
}

TvnResource* TvnResourceCollection::GetResource(const String& AResName) const {
  auto it = FResByName.find(AResName);
  return it == FResByName.end() ? nullptr : it->second;
}

std::vector<TvnResource*> TvnResourceCollection::GetEnumerator() const {
  std::vector<TvnResource*> resources;
  resources.reserve(FResById.size());
  for (const auto& [id, resource] : FResById) resources.push_back(resource.get());
  return resources;
}

TvnResourceList TvnResourceCollection::Clear() {
  TvnResourceList resources;
  resources.reserve(FResById.size());
  for (auto& [id, resource] : FResById) resources.push_back(std::move(resource));
  FResById.clear();
  FResByName.clear();
  return resources;
}

std::unique_ptr<TvnResource> TvnResourceCollection::RemoveResource(int32_t AResId) {
  auto it = FResById.find(AResId);
  if (it == FResById.end()) return nullptr;
  std::unique_ptr<TvnResource> resource = std::move(it->second);
  FResById.erase(it);
  if (!resource->GetResourceName().empty()) FResByName.erase(resource->GetResourceName());
  return resource;
}

std::unique_ptr<TvnResource> TvnResourceCollection::RemoveResource(const String& AResName) {
  TvnResource* resource = GetResource(AResName);
  return resource ? RemoveResource(resource->GetResourceId()) : nullptr;
}

}  // namespace vn::wordmodel
