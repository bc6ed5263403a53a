#include "framework/format_registry.h"

#include <cxxabi.h>

#include <array>
#include <cstdlib>
#include <cstring>
#include <string>

#include "runtime/byte_reader.h"
#include "runtime/exceptions.h"

namespace vn::framework {

namespace {

std::unique_ptr<TvnKELMFramework> GDocumentFramework;

// The extension of a path: from the last dot of its file name on, lower-
// cased; empty when the file name has no dot.
String LowerExtension(const String& FilePath) {
  size_t NameStart = FilePath.find_last_of(u"/\\");
  NameStart = NameStart == String::npos ? 0 : NameStart + 1;
  size_t Dot = FilePath.rfind(u'.');
  if (Dot == String::npos || Dot < NameStart) return {};
  return vn::LowerCase(StringView(FilePath).substr(Dot));
}

}  // namespace

bool TvnDocumentClassInfo::IsClassOf(const TvnBaseDocument* ADocument) const {
  return ADocument != nullptr && std::type_index(typeid(*ADocument)) == Type;
}

String DocumentClassName(const std::type_info& AType) {
  int Status = 0;
  char* Demangled = abi::__cxa_demangle(AType.name(), nullptr, nullptr, &Status);
  std::string Name = Status == 0 && Demangled != nullptr ? Demangled : AType.name();
  std::free(Demangled);
  size_t Colon = Name.rfind("::");
  if (Colon != std::string::npos) Name.erase(0, Colon + 2);
  return vn::FromUtf8(Name);
}

// ---------------------------------------------------------------------------
// Registration

void TvnKELMFramework::RegisterDocument(TvnDocumentClass ADocumentClass, const String& Extention,
                                        const String& Description) {
  DocumentClassList.Set(vn::LowerCase(Extention), ADocumentClass);
  if (ADocumentClass == nullptr) return;
  const TvnEngineCapabilities Caps = ADocumentClass->EngineCapabilities;
  if (Caps.Contains(TvnEngineCapability::ecOpen)) {
    FOpenDialogFilter += Description + u"|*" + Extention + u"|";
    FOpenAllExt += u"*" + Extention + u";";
  }
  if (Caps.Contains(TvnEngineCapability::ecSave)) {
    // The pattern carries its "*" as in the open filter, so that a save
    // dialog matches files of the type.
    FSaveDialogFilter += Description + u"|*" + Extention + u"|";
    FSaveAllExt += u"*" + Extention + u";";
  }
}

void TvnKELMFramework::RegisterViewer(const String& Extention, TvnViewerClass ViewerClass) {
  if (!ViewerControllerList.Insert(Extention, ViewerClass)) throw vn::EListError("Duplicates not allowed");
}

void TvnKELMFramework::RegisterNavPanePage(TvnDocumentClass ADocumentClass, TvnNavPanePageClass ANavPanePageClass) {
  NavigationPanePageList[ADocumentClass].push_back(ANavPanePageClass);
}

void TvnKELMFramework::RegisterViewerPlugin(TvnDocumentClass ADocumentClass, TvnViewerPluginClass ViewerPluginClass) {
  ViewerPluginList[ADocumentClass].push_back(ViewerPluginClass);
}

// ---------------------------------------------------------------------------
// Lookup

TvnDocumentClass TvnKELMFramework::LookupDocument(const String& FilePath) const {
  const TvnDocumentClass* Found = DocumentClassList.Find(LowerExtension(FilePath));
  return Found ? *Found : nullptr;
}

TvnDocumentClass TvnKELMFramework::LookupDocument(vn::TStream* Stream) const {
  const String Ext = PredictFormat(Stream);
  if (Ext.empty()) return nullptr;
  const TvnDocumentClass* Found = DocumentClassList.Find(Ext);
  return Found ? *Found : nullptr;
}

namespace {

TvnViewerClass FindViewer(const vn::OrderedMap<String, TvnViewerClass>& Viewers,
                          const vn::OrderedMap<String, TvnDocumentClass>& Documents, const String& Ext) {
  if (Ext.empty()) return nullptr;
  if (const TvnViewerClass* Viewer = Viewers.Find(Ext)) return *Viewer;
  if (Documents.Contains(Ext)) {
    if (const TvnViewerClass* Fallback = Viewers.Find(u"*")) return *Fallback;
  }
  return nullptr;
}

}  // namespace

TvnViewerClass TvnKELMFramework::LookupViewerController(const String& FilePath) const {
  return FindViewer(ViewerControllerList, DocumentClassList, LowerExtension(FilePath));
}

TvnViewerClass TvnKELMFramework::LookupViewerController(vn::TStream* Stream) const {
  return FindViewer(ViewerControllerList, DocumentClassList, PredictFormat(Stream));
}

std::vector<const TvnComponentClassInfo*> TvnKELMFramework::LookupFor(
    const std::map<TvnDocumentClass, std::vector<const TvnComponentClassInfo*>>& AList,
    const TvnBaseDocument* ADocument) {
  std::vector<const TvnComponentClassInfo*> Result;
  if (ADocument == nullptr) return Result;
  const TvnDocumentClass Base = DocumentClassOf<TvnBaseDocument>();
  for (const auto& [Class, Classes] : AList) {
    if (Class != Base && Class != nullptr && Class->IsClassOf(ADocument))
      Result.insert(Result.end(), Classes.begin(), Classes.end());
  }
  if (auto It = AList.find(Base); It != AList.end()) Result.insert(Result.end(), It->second.begin(), It->second.end());
  return Result;
}

std::vector<TvnViewerPluginClass> TvnKELMFramework::LookpViewerPlugins(const TvnBaseDocument* ADocument) const {
  return LookupFor(ViewerPluginList, ADocument);
}

std::vector<TvnNavPanePageClass> TvnKELMFramework::LookupNavPanepage(const TvnBaseDocument* ADocument) const {
  return LookupFor(NavigationPanePageList, ADocument);
}

TvnDocumentClass TvnKELMFramework::ClassOf(const TvnBaseDocument* ADocument) const {
  for (const auto& [Ext, Class] : DocumentClassList)
    if (Class != nullptr && Class->IsClassOf(ADocument)) return Class;
  return nullptr;
}

String TvnKELMFramework::GetOpenDialogFilterString() const {
  return u"All Supported Documents |" + FOpenAllExt + u"|" + FOpenDialogFilter;
}

String TvnKELMFramework::GetSaveDialogFilterString() const {
  return u"All Supported Documents |" + FSaveAllExt + u"|" + FSaveDialogFilter;
}

// ---------------------------------------------------------------------------
// Format by leading bytes

namespace {

// How much of the end of a zip file may hold the end-of-central-directory
// record (22 bytes plus a comment of at most 65535), and how much central
// directory we read at most.
constexpr int64_t kZipTailMax = 22 + 65535;
constexpr int64_t kCentralDirectoryMax = 16 * 1024 * 1024;
constexpr int64_t kLocalWalkMax = 4096;

bool IsDocxPart(std::string_view Name, bool& ContentTypes, bool& Document) {
  if (Name == "[Content_Types].xml") ContentTypes = true;
  if (Name == "word/document.xml") Document = true;
  return ContentTypes && Document;
}

// Reads Count bytes at Offset; a short result when the stream holds less.
std::string ReadAt(vn::TStream& Stream, int64_t Offset, int64_t Count) {
  std::string Bytes(static_cast<size_t>(Count), '\0');
  Stream.Seek(Offset, vn::SeekOrigin::soBeginning);
  int64_t Got = 0;
  while (Got < Count) {
    int64_t N = Stream.Read(Bytes.data() + Got, Count - Got);
    if (N <= 0) break;
    Got += N;
  }
  Bytes.resize(static_cast<size_t>(Got));
  return Bytes;
}

// Looks through the central directory of a zip package for the two parts
// every word-processing package holds.
bool CentralDirectoryHasDocx(vn::TStream& Stream, int64_t Size) {
  const int64_t TailLen = std::min(Size, kZipTailMax);
  const std::string Tail = ReadAt(Stream, Size - TailLen, TailLen);
  if (Tail.size() < 22) return false;
  // The end record is the last "PK 05 06" that leaves room for its 22 bytes.
  for (size_t At = Tail.size() - 22 + 1; At-- > 0;) {
    if (std::memcmp(Tail.data() + At, "PK\x05\x06", 4) != 0) continue;
    vn::ByteReader End(std::string_view(Tail).substr(At, 22));
    End.Skip(10);
    const uint16_t Entries = End.U16LE();
    const uint32_t CdSize = End.U32LE();
    const uint32_t CdOffset = End.U32LE();
    if (!End.ok() || CdSize > kCentralDirectoryMax || int64_t{CdOffset} + CdSize > Size) return false;
    const std::string Cd = ReadAt(Stream, CdOffset, CdSize);
    vn::ByteReader R(Cd);
    bool ContentTypes = false, Document = false;
    for (uint32_t I = 0; I < Entries && R.ok(); ++I) {
      if (R.U32LE() != 0x02014b50) return false;
      R.Skip(24);
      const uint16_t NameLen = R.U16LE();
      const uint16_t ExtraLen = R.U16LE();
      const uint16_t CommentLen = R.U16LE();
      R.Skip(12);
      const std::string Name = R.String(NameLen);
      R.Skip(size_t{ExtraLen} + CommentLen);
      if (R.ok() && IsDocxPart(Name, ContentTypes, Document)) return true;
    }
    return false;
  }
  return false;
}

// Without a readable central directory: walks the local headers from the
// start, as long as their sizes are known, over at most a few thousand
// entries.
bool LocalHeadersHaveDocx(vn::TStream& Stream, int64_t Size) {
  bool ContentTypes = false, Document = false;
  int64_t Offset = 0;
  for (int64_t I = 0; I < kLocalWalkMax && Offset + 30 <= Size; ++I) {
    const std::string Header = ReadAt(Stream, Offset, 30);
    vn::ByteReader R(Header);
    if (R.U32LE() != 0x04034b50) return false;
    R.Skip(2);
    const uint16_t Flags = R.U16LE();
    R.Skip(10);
    const uint32_t Compressed = R.U32LE();
    R.Skip(4);
    const uint16_t NameLen = R.U16LE();
    const uint16_t ExtraLen = R.U16LE();
    if (!R.ok()) return false;
    const std::string Name = ReadAt(Stream, Offset + 30, NameLen);
    if (Name.size() != NameLen) return false;
    if (IsDocxPart(Name, ContentTypes, Document)) return true;
    // Sizes that follow the data (flag bit 3) leave the next header unknown.
    if ((Flags & 0x0008) != 0) return false;
    Offset += 30 + int64_t{NameLen} + ExtraLen + Compressed;
  }
  return false;
}

}  // namespace

String PredictFormat(vn::TStream* Stream) {
  if (Stream == nullptr) return {};
  const int64_t Size = Stream->Size();
  if (Size <= 0) return {};

  Stream->Seek(0, vn::SeekOrigin::soBeginning);
  std::array<uint8_t, 12> B{};
  size_t Have = 0;
  // Six words, each read on its own; a short stream stops at its end.
  for (int W = 0; W < 6; ++W) {
    int64_t N = Stream->Read(B.data() + Have, 2);
    if (N <= 0) break;
    Have += static_cast<size_t>(N);
    if (N < 2) break;
  }
  // True when the stream starts with Sig; bytes it lacks never match.
  auto Starts = [&](std::initializer_list<uint8_t> Sig) {
    if (Sig.size() > Have) return false;
    return std::equal(Sig.begin(), Sig.end(), B.begin());
  };

  if (Starts({0xFF, 0xD8})) {
    Stream->Seek(2, vn::SeekOrigin::soBeginning);
    uint8_t Third = 0;
    if (Stream->Read(&Third, 1) == 1 && Third == 0xFF) return u".jpg";
    return {};
  }
  if (Starts({'B', 'M'})) return u".bmp";
  if (Starts({0xD0, 0xCF, 0x11, 0xE0, 0xA1, 0xB1, 0x1A, 0xE1})) return u".doc";
  if (Starts({'%', 'P', 'D', 'F'})) return u".pdf";
  if (Starts({'{', '\\', 'r', 't', 'f', '1'})) return u".rtf";
  if (Starts({'P', 'K', 0x03, 0x04, 0x14, 0x00, 0x06, 0x00})) return u".docx";
  if (Starts({'P', 'K', 0x03, 0x04})) {
    // Packages of other producers have other version and flag words: look
    // inside the package, then leave the position where the fast path does.
    const bool Docx = CentralDirectoryHasDocx(*Stream, Size) || LocalHeadersHaveDocx(*Stream, Size);
    Stream->Seek(static_cast<int64_t>(Have), vn::SeekOrigin::soBeginning);
    return Docx ? u".docx" : u".zip";
  }
  if (Starts({0x89, 'P', 'N', 'G', 0x0D, 0x0A, 0x1A, 0x0A})) return u".png";
  if (Starts({0x49, 0x20, 0x31, 0x00})) return u".tiff";
  if (Starts({0x49, 0x49, 0x2A, 0x00})) return u".tiff";
  if (Starts({0x01, 0x00, 0x00, 0x00})) return u".emf";
  if (Starts({0xD7, 0xCD, 0xC6, 0x9A})) return u".wmf";
  if (Starts({0x00, 0x00, 0x01, 0x00})) return u".ico";
  if (Starts({0x00, 0x00, 0x02, 0x00})) return u".cur";
  if (Starts({0x00, 0x00, 0x00, 0x0C, 0x6A, 0x50, 0x20, 0x20, 0x0D, 0x0A})) return u".jpx";
  return {};
}

// ---------------------------------------------------------------------------
// Start-up

TvnKELMFramework* DocumentFramework() { return GDocumentFramework.get(); }

TvnKELMFramework& CreateDocumentFramework() {
  if (!GDocumentFramework) GDocumentFramework = std::make_unique<TvnKELMFramework>();
  return *GDocumentFramework;
}

void FreeDocumentFramework() { GDocumentFramework.reset(); }

}  // namespace vn::framework
