// The image data of a document: resources named and numbered, held in a
// file or a stream, and the collection that owns them (kept by the document
// mediator for the life of the document). Pictures refer to their data by
// resource name or identifier and find it here when they are drawn.
#pragma once

#include <cstdint>
#include <map>
#include <memory>
#include <vector>

#include "runtime/streams.h"
#include "wordmodel/word_types.h"

namespace vn::wordmodel {

enum class TvnImageFormat : uint8_t { ifBMP, ifJPEG, ifGIF, ifPNG, ifMetafile, ifCCITT3, ifCCITT4, ifTIFF, ifCustom };
// Where a resource's data is.
enum class TvnResourceLoc : uint8_t { rlFile, rlStream, rlObject, rlSorvelImgEng };

class TvnResource : public TObject {
 public:
  // The identifier is the next value of one process-wide counter (the first
  // resource made gets 1).
  explicit TvnResource(const String& AResourcename = String());
  ~TvnResource() override;

  TvnResourceLoc GetResourceLocation() const { return FResourceLocation; }
  const String& GetResourceFile() const { return FResFile; }
  // Stores the file name and sets the location to rlFile.
  void SetResourceFile(const String& Value);
  // The data; readers of packages may fetch it when first asked.
  virtual vn::TStream* GetResourceStream();
  // Stores the stream and sets the location to rlStream.
  virtual void SetResourceStream(std::shared_ptr<vn::TStream> Value);
  int32_t GetResourceId() const { return FResID; }
  const String& GetResourceName() const { return FResourceName; }

 private:
  String FResFile;
  std::shared_ptr<vn::TStream> FResStream;
  TvnResourceLoc FResourceLocation = TvnResourceLoc::rlFile;
  int32_t FResID;
  String FResourceName;
};

class TvnImageResource : public TvnResource {
 public:
  explicit TvnImageResource(const String& AResourcename = String()) : TvnResource(AResourcename) {}

  const std::shared_ptr<vn::TStream>& GetImage() const { return FImage; }
  void SetImage(std::shared_ptr<vn::TStream> Value) { FImage = std::move(Value); }
  virtual TvnImageFormat GetImageFormat() const { return FImageFormat; }
  virtual void SetImageFormat(TvnImageFormat Value) { FImageFormat = Value; }

 private:
  std::shared_ptr<vn::TStream> FImage;
  TvnImageFormat FImageFormat = TvnImageFormat::ifBMP;
};

using TvnResourceList = std::vector<std::unique_ptr<TvnResource>>;

// Owns the resources registered in it, found by identifier and by name.
class TvnResourceCollection : public TObject {
 public:
  TvnResourceCollection();
  ~TvnResourceCollection() override;
  TvnResourceCollection(const TvnResourceCollection&) = delete;
  TvnResourceCollection& operator=(const TvnResourceCollection&) = delete;

  // Registers the resource by identifier and, when it has a name, by name.
  // Null, and a resource whose identifier or name is already registered,
  // are refused (the refused resource is freed); answers whether it was
  // registered.
  bool AddResource(std::unique_ptr<TvnResource> AResource);
  bool ContainsResource(int32_t AResId) const;
  bool ContainsResource(const String& AResName) const;
  // Null when absent.
  TvnResource* GetResource(int32_t AResId) const;
  TvnResource* GetResource(const String& AResName) const;
  // Every resource, in identifier order; the collection keeps them.
  std::vector<TvnResource*> GetEnumerator() const;
  // Hands every resource back to the caller and forgets them.
  TvnResourceList Clear();
  // Takes the resource out of the collection and hands it to the caller;
  // null when absent.
  std::unique_ptr<TvnResource> RemoveResource(int32_t AResId);
  std::unique_ptr<TvnResource> RemoveResource(const String& AResName);

 private:
  std::map<int32_t, std::unique_ptr<TvnResource>> FResById;
  std::map<String, TvnResource*> FResByName;
};

}  // namespace vn::wordmodel
