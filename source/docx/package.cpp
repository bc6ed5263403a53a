#include "docx/package.h"

#include <string>
#include <utility>

#include "ooxml/xml_document.h"

namespace vn::docx {

namespace {

int PercentDigit(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  return -1;
}

// "%41" becomes "A"; a "%" not followed by two hexadecimal digits stays.
String PercentDecode(StringView AText) {
  if (AText.find(u'%') == StringView::npos) return String(AText);
  const std::string utf8 = vn::ToUtf8(AText);
  std::string decoded;
  decoded.reserve(utf8.size());
  for (size_t i = 0; i < utf8.size(); ++i) {
    if (utf8[i] == '%' && i + 2 < utf8.size()) {
      const int high = PercentDigit(utf8[i + 1]);
      const int low = PercentDigit(utf8[i + 2]);
      if (high >= 0 && low >= 0) {
        decoded.push_back(static_cast<char>(high * 16 + low));
        i += 2;
        continue;
      }
    }
    decoded.push_back(utf8[i]);
  }
  return vn::FromUtf8(decoded);
}

std::vector<String> PathSegments(StringView APath) {
  std::vector<String> segments;
  size_t start = 0;
  while (start <= APath.size()) {
    size_t end = APath.find(u'/', start);
    if (end == StringView::npos) end = APath.size();
    if (end > start) segments.emplace_back(APath.substr(start, end - start));
    start = end + 1;
  }
  return segments;
}

}  // namespace

String ResolvePartName(StringView ASourcePart, StringView ATarget) {
  StringView target = ATarget.substr(0, ATarget.find(u'#'));
  if (target.empty()) return String();
  std::vector<String> path;
  if (target.front() != u'/') {
    path = PathSegments(ASourcePart);
    if (!path.empty()) path.pop_back();  // the source's own name
  }
  for (String& segment : PathSegments(target)) {
    if (segment == u".") continue;
    if (segment == u"..") {
      if (path.empty()) return String();  // above the package root
      path.pop_back();
      continue;
    }
    path.push_back(std::move(segment));
  }
  String joined;
  for (const String& segment : path) {
    if (!joined.empty()) joined += u'/';
    joined += segment;
  }
  return PercentDecode(joined);
}

String RelationshipsPartName(StringView APartName) {
  if (APartName.empty()) return u"_rels/.rels";
  const size_t slash = APartName.rfind(u'/');
  if (slash == StringView::npos) return String(u"_rels/") + String(APartName) + u".rels";
  return String(APartName.substr(0, slash)) + u"/_rels/" + String(APartName.substr(slash + 1)) + u".rels";
}

namespace {

const TvnPackageRelationShip* LastRelation(const TvnRelationList& AList, StringView AValue,
                                           String TvnPackageRelationShip::*AField) {
  const TvnPackageRelationShip* found = nullptr;
  for (const TvnPackageRelationShip& relation : AList) {
    if (relation.*AField == AValue) found = &relation;
  }
  return found;
}

}  // namespace

// ---------------------------------------------------------------------------

TvnPackagePart::TvnPackagePart(TvnZipPackage* APackage, String AURI) : FPackage(APackage), FURI(std::move(AURI)) {
  FRelationList = FPackage->ReadRelations(FURI);
}

const TvnPackageRelationShip* TvnPackagePart::GetRelationship(StringView AID) const {
  return LastRelation(FRelationList, AID, &TvnPackageRelationShip::Id);
}

const TvnPackageRelationShip* TvnPackagePart::GetRelationshipsByType(StringView ARelationshipType) const {
  return LastRelation(FRelationList, ARelationshipType, &TvnPackageRelationShip::RelationshipType);
}

std::unique_ptr<vn::TMemoryStream> TvnPackagePart::GetStream() const { return FPackage->ExtractPart(FURI); }

// ---------------------------------------------------------------------------

TvnZipPackage::TvnZipPackage(vn::TStream& AStream, TvnFileMode ATargetFileMode, vn::Diagnostics* AWarnings)
    : LFileMode(ATargetFileMode), FWarnings(AWarnings) {
  Open(AStream);
}

TvnZipPackage::TvnZipPackage(const std::filesystem::path& APackagePath, TvnFileMode ATargetFileMode,
                             vn::Diagnostics* AWarnings)
    : LPackageStream(std::make_unique<vn::TMemoryStream>()), LFileMode(ATargetFileMode), FWarnings(AWarnings) {
  LPackageStream->LoadFromFile(APackagePath);
  Open(*LPackageStream);
}

void TvnZipPackage::Open(vn::TStream& AStream) {
  LAbUnZipper.SetStream(&AStream);
  FRelationList = ReadRelations(u"");
}

void TvnZipPackage::Warn(const std::string& AMessage) const { vn::ReportTo(FWarnings, {.message = AMessage}); }

int TvnZipPackage::FindItem(StringView APartName) const {
  if (APartName.empty()) return -1;
  return LAbUnZipper.FindFile(APartName);
}

bool TvnZipPackage::HasPart(StringView APartName) const { return FindItem(APartName) >= 0; }

std::unique_ptr<vn::TMemoryStream> TvnZipPackage::ExtractPart(StringView APartName) {
  auto stream = std::make_unique<vn::TMemoryStream>();
  const int index = FindItem(APartName);
  if (index < 0) return stream;
  bool complete = false;
  try {
    complete = LAbUnZipper.ExtractToStream(LAbUnZipper.GetItem(index)->FileName(), *stream);
  } catch (const vn::Exception&) {
    complete = false;
  }
  if (!complete) {
    Warn("package part \"" + vn::ToUtf8(APartName) + "\" is damaged and was read as empty");
    stream->Clear();
  }
  stream->SetPosition(0);
  return stream;
}

TvnRelationList TvnZipPackage::ReadRelations(StringView APartName) {
  TvnRelationList relations;
  const String rels_name = RelationshipsPartName(APartName);
  if (!HasPart(rels_name)) {
    if (APartName.empty()) Warn("the package has no relationships part \"_rels/.rels\"");
    return relations;
  }
  auto stream = ExtractPart(rels_name);
  ooxml::TXmlVerySimple document;
  try {
    document.LoadFromStream(*stream, ooxml::TXmlVerySimple::kDefaultBufferSize);
  } catch (const vn::Exception&) {
    Warn("relationships part \"" + vn::ToUtf8(rels_name) + "\" is not readable XML");
    return relations;
  }
  const ooxml::TXmlNode* root = document.DocumentElement();
  if (root == nullptr) {
    Warn("relationships part \"" + vn::ToUtf8(rels_name) + "\" holds no XML element");
    return relations;
  }
  for (const ooxml::TXmlNode* child : root->ChildNodes) {
    if (child->NodeType != ooxml::TXmlNodeType::ntElement || child->Name.empty()) continue;
    TvnPackageRelationShip relation;
    relation.Id = child->GetAttribute(u"Id");
    if (relation.Id.empty()) continue;
    relation.RelationshipType = child->GetAttribute(u"Type");
    const String target = child->GetAttribute(u"Target");
    if (child->GetAttribute(u"TargetMode") == u"External") {
      relation.TargetMode = TvnTargetMode::tmExternal;
      relation.TargetURI = target;
    } else {
      relation.TargetURI = ResolvePartName(APartName, target);
      if (relation.TargetURI.empty() && !target.empty()) {
        Warn("relationship \"" + vn::ToUtf8(relation.Id) + "\" of \"" + vn::ToUtf8(rels_name) +
             "\" names a target outside the package: \"" + vn::ToUtf8(target) + "\"");
      }
    }
    relations.push_back(std::move(relation));
  }
  return relations;
}

const TvnPackageRelationShip* TvnZipPackage::GetPackageRelationshipsByType(StringView ARelationshipType) const {
  return LastRelation(FRelationList, ARelationshipType, &TvnPackageRelationShip::RelationshipType);
}

const TvnPackageRelationShip* TvnZipPackage::GetRelationship(StringView AID) const {
  return LastRelation(FRelationList, AID, &TvnPackageRelationShip::Id);
}

void TvnZipPackage::DeleteRelationship(StringView AID) {
  std::erase_if(FRelationList, [&](const TvnPackageRelationShip& relation) { return relation.Id == AID; });
}

std::unique_ptr<TvnPackagePart> TvnZipPackage::GetPart(StringView AURI) {
  return std::make_unique<TvnPackagePart>(this, String(AURI));
}

// ---------------------------------------------------------------------------

TvnDOCXPackage::TvnDOCXPackage(vn::TStream& AStream, TvnFileMode AFileMode, vn::Diagnostics* AWarnings)
    : FPackage(std::make_unique<TvnZipPackage>(AStream, AFileMode, AWarnings)) {
  LoadMainDocument();
}

TvnDOCXPackage::TvnDOCXPackage(const std::filesystem::path& AFileName, TvnFileMode AFileMode,
                               vn::Diagnostics* AWarnings)
    : FPackage(std::make_unique<TvnZipPackage>(AFileName, AFileMode, AWarnings)) {
  LoadMainDocument();
}

void TvnDOCXPackage::LoadMainDocument() {
  FPackageRelationShip = FPackage->GetPackageRelationshipsByType(reltype::kOfficeDocument);
  if (FPackageRelationShip == nullptr) {
    FPackage->Warn("the package names no main document");
    return;
  }
  if (FPackageRelationShip->TargetMode == TvnTargetMode::tmExternal || FPackageRelationShip->TargetURI.empty()) {
    FPackage->Warn("the main document relationship names no part of the package");
    return;
  }
  if (!FPackage->HasPart(FPackageRelationShip->TargetURI)) {
    FPackage->Warn("the main document part \"" + vn::ToUtf8(FPackageRelationShip->TargetURI) + "\" is missing");
  }
  FMainDocumentPart = std::make_unique<TvnDocXPackagePart>(FPackage->GetPart(FPackageRelationShip->TargetURI));
  FDocLoded = true;
}

std::unique_ptr<vn::TMemoryStream> TvnDOCXPackage::TargetStream(const TvnPackageRelationShip* ARelation) {
  if (ARelation == nullptr || ARelation->TargetMode == TvnTargetMode::tmExternal || ARelation->TargetURI.empty()) {
    return nullptr;
  }
  return FPackage->ExtractPart(ARelation->TargetURI);
}

std::unique_ptr<vn::TMemoryStream> TvnDOCXPackage::MainRelationStream(StringView ARelationshipType) {
  if (!FDocLoded) return nullptr;
  return TargetStream(FMainDocumentPart->PackagePart()->GetRelationshipsByType(ARelationshipType));
}

std::unique_ptr<vn::TMemoryStream> TvnDOCXPackage::GetMainDocumentStream() {
  if (!FDocLoded) return nullptr;
  return FMainDocumentPart->PackagePart()->GetStream();
}

std::unique_ptr<vn::TMemoryStream> TvnDOCXPackage::GetStyleStream() { return MainRelationStream(reltype::kStyles); }

std::unique_ptr<vn::TMemoryStream> TvnDOCXPackage::GetNumberingStream() {
  return MainRelationStream(reltype::kNumbering);
}

std::unique_ptr<vn::TMemoryStream> TvnDOCXPackage::GetThemeStream() { return MainRelationStream(reltype::kTheme); }

std::unique_ptr<vn::TMemoryStream> TvnDOCXPackage::GetDocumentSettingsStream() {
  return MainRelationStream(reltype::kSettings);
}

std::unique_ptr<vn::TMemoryStream> TvnDOCXPackage::GetCorePropStream() {
  if (!FPackage) return nullptr;
  return TargetStream(FPackage->GetPackageRelationshipsByType(reltype::kCoreProperties));
}

std::unique_ptr<vn::TMemoryStream> TvnDOCXPackage::GetResourceStream(StringView AID,
                                                                     const TvnDocXPackagePart* APart) {
  if (AID.empty()) return nullptr;
  const TvnPackagePart* part = APart != nullptr ? APart->PackagePart()
                               : FDocLoded      ? FMainDocumentPart->PackagePart()
                                                : nullptr;
  if (part == nullptr) return nullptr;
  return TargetStream(part->GetRelationship(AID));
}

std::unique_ptr<TvnDocXPackagePart> TvnDOCXPackage::GetPackagePart(StringView AID) {
  if (AID.empty() || !FDocLoded) return nullptr;
  const TvnPackageRelationShip* relation = FMainDocumentPart->PackagePart()->GetRelationship(AID);
  if (relation == nullptr || relation->TargetMode == TvnTargetMode::tmExternal || relation->TargetURI.empty()) {
    return nullptr;
  }
  return std::make_unique<TvnDocXPackagePart>(FPackage->GetPart(relation->TargetURI));
}

std::unique_ptr<vn::TMemoryStream> TvnDOCXPackage::GetPartStream(const TvnDocXPackagePart& ADOCXPart) {
  return ADOCXPart.PackagePart()->GetStream();
}

}  // namespace vn::docx
