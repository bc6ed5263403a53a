// The package layer of a DOCX file: a zip archive of parts tied together by
// relationships. The package reads its own relationships (_rels/.rels),
// finds the main document by relationship type, reads each part's
// relationships from the "_rels" folder beside it, and hands out a part's
// bytes as a new memory stream. Content types are not read and nothing is
// written.
//
// Targets are resolved as the packaging rules say: relative to the folder of
// the part that names them, with "." and ".." steps removed, a leading "/"
// meaning the package root, and percent escapes decoded. A target that
// climbs above the package root names nothing. Relationships whose
// TargetMode is "External" (hyperlinks, linked pictures) keep their target
// as written and never fetch a part.
//
// Damage stays lenient and is reported to the optional warnings sink: a
// missing or unreadable relationships part gives no relationships, and a
// part that cannot be extracted whole (a damaged member, a CRC mismatch, an
// unsupported method or password) reads as empty rather than as the bytes
// that came before the failure. Errors while the archive's directory is
// opened pass out of the constructors unchanged.
//
// Ownership: the package owns its unzipper and, when it loaded a file, the
// bytes; otherwise it borrows the caller's stream, which must outlive it.
// Parts borrow their package, which must outlive them. Every stream handed
// out is a new copy the caller owns, positioned at 0.
#pragma once

#include <filesystem>
#include <memory>
#include <vector>

#include "ooxml/unzipper.h"
#include "runtime/diagnostics.h"
#include "runtime/streams.h"
#include "runtime/strings.h"

namespace vn::docx {

using vn::String;
using vn::StringView;

enum class TvnTargetMode { tmInternal, tmExternal };
// Stored only; the package reads either way.
enum class TvnFileMode { tfCreated, tfOpened };

// The relationship-type URIs the DOCX readers look parts up by.
namespace reltype {
inline constexpr StringView kOfficeDocument =
    u"http://schemas.openxmlformats.org/officeDocument/2006/relationships/officeDocument";
inline constexpr StringView kCoreProperties =
    u"http://schemas.openxmlformats.org/package/2006/relationships/metadata/core-properties";
inline constexpr StringView kStyles = u"http://schemas.openxmlformats.org/officeDocument/2006/relationships/styles";
inline constexpr StringView kNumbering =
    u"http://schemas.openxmlformats.org/officeDocument/2006/relationships/numbering";
inline constexpr StringView kTheme = u"http://schemas.openxmlformats.org/officeDocument/2006/relationships/theme";
inline constexpr StringView kSettings =
    u"http://schemas.openxmlformats.org/officeDocument/2006/relationships/settings";
}  // namespace reltype

struct TvnPackageRelationShip {
  String Id;
  String RelationshipType;
  // For an internal target, the resolved part name (no leading "/"; empty
  // when the target leaves the package); for an external one, as written.
  String TargetURI;
  TvnTargetMode TargetMode = TvnTargetMode::tmInternal;
};
using TvnRelationList = std::vector<TvnPackageRelationShip>;

// The part name a relationship target names, seen from the part
// ASourcePart ("" for the package itself): resolved against the source's
// folder, dot steps removed, percent escapes decoded, no leading "/". Empty
// when the target is empty or climbs above the package root.
String ResolvePartName(StringView ASourcePart, StringView ATarget);
// The name of the relationships part of a part ("" for the package):
// word/document.xml gives word/_rels/document.xml.rels, document.xml gives
// _rels/document.xml.rels, "" gives _rels/.rels.
String RelationshipsPartName(StringView APartName);

class TvnZipPackage;

// One part of the package with its own relationships.
class TvnPackagePart {
 public:
  TvnPackagePart(TvnZipPackage* APackage, String AURI);

  const String& URI() const { return FURI; }
  const TvnRelationList& Relations() const { return FRelationList; }
  // The last relationship with that Id (case-sensitive), or type; null when
  // none.
  const TvnPackageRelationShip* GetRelationship(StringView AID) const;
  const TvnPackageRelationShip* GetRelationshipsByType(StringView ARelationshipType) const;
  bool RelationshipExists(StringView AID) const { return GetRelationship(AID) != nullptr; }
  // A new stream with the part's bytes; empty when the archive has no such
  // item or it cannot be extracted whole.
  std::unique_ptr<vn::TMemoryStream> GetStream() const;

 private:
  TvnZipPackage* FPackage;
  String FURI;
  TvnRelationList FRelationList;
};

class TvnZipPackage {
 public:
  // Opens the archive in AStream (borrowed). Errors of the archive's
  // directory pass out.
  TvnZipPackage(vn::TStream& AStream, TvnFileMode ATargetFileMode, vn::Diagnostics* AWarnings = nullptr);
  // Loads the file, then as above.
  TvnZipPackage(const std::filesystem::path& APackagePath, TvnFileMode ATargetFileMode,
                vn::Diagnostics* AWarnings = nullptr);
  TvnZipPackage(const TvnZipPackage&) = delete;
  TvnZipPackage& operator=(const TvnZipPackage&) = delete;

  // The package-level relationships in file order.
  const TvnRelationList& Relations() const { return FRelationList; }
  // The last relationship of that type, or with that Id; null when none.
  const TvnPackageRelationShip* GetPackageRelationshipsByType(StringView ARelationshipType) const;
  const TvnPackageRelationShip* GetRelationship(StringView AID) const;
  bool RelationshipExists(StringView AID) const { return GetRelationship(AID) != nullptr; }
  // Removes every relationship with that Id.
  void DeleteRelationship(StringView AID);

  // A new part of that name with its relationships read.
  std::unique_ptr<TvnPackagePart> GetPart(StringView AURI);

  // The relationships of the part APartName ("" for the package): empty
  // when it has none, or its relationships part is unreadable (reported).
  TvnRelationList ReadRelations(StringView APartName);
  // A new stream with the bytes of the named item, positioned at 0; empty
  // when there is no such item, or it cannot be extracted whole (reported).
  std::unique_ptr<vn::TMemoryStream> ExtractPart(StringView APartName);
  // Whether the archive holds an item of that name (case-insensitive).
  bool HasPart(StringView APartName) const;

  TvnFileMode FileMode() const { return LFileMode; }
  vn::Diagnostics* Warnings() const { return FWarnings; }
  void Warn(const std::string& AMessage) const;

 private:
  void Open(vn::TStream& AStream);
  // The item name of a part: as resolved, else as written in the package's
  // own (percent-escaped) form.
  int FindItem(StringView APartName) const;

  std::unique_ptr<vn::TMemoryStream> LPackageStream;
  ooxml::TAbUnZipper LAbUnZipper;
  TvnFileMode LFileMode;
  vn::Diagnostics* FWarnings;
  TvnRelationList FRelationList;
};

// A part as the DOCX readers hold it (a header or footer, the main
// document).
class TvnDocXPackagePart {
 public:
  explicit TvnDocXPackagePart(std::unique_ptr<TvnPackagePart> APart) : FPackagePart(std::move(APart)) {}
  TvnPackagePart* PackagePart() const { return FPackagePart.get(); }
  const String& URI() const { return FPackagePart->URI(); }

 private:
  std::unique_ptr<TvnPackagePart> FPackagePart;
};

// The DOCX entry point: the main document part and one getter per part the
// readers need. Every getter answers a new stream the caller owns, or null
// when the relationship is missing (or external) or the package has no main
// document.
class TvnDOCXPackage {
 public:
  // An empty package: no main document.
  TvnDOCXPackage() = default;
  TvnDOCXPackage(vn::TStream& AStream, TvnFileMode AFileMode, vn::Diagnostics* AWarnings = nullptr);
  TvnDOCXPackage(const std::filesystem::path& AFileName, TvnFileMode AFileMode,
                 vn::Diagnostics* AWarnings = nullptr);
  TvnDOCXPackage(const TvnDOCXPackage&) = delete;
  TvnDOCXPackage& operator=(const TvnDOCXPackage&) = delete;

  // A main document part was found.
  bool DocLoaded() const { return FDocLoded; }
  TvnZipPackage* Package() const { return FPackage.get(); }
  // The main document part; null without one.
  TvnDocXPackagePart* MainDocumentPart() const { return FMainDocumentPart.get(); }

  std::unique_ptr<vn::TMemoryStream> GetMainDocumentStream();
  std::unique_ptr<vn::TMemoryStream> GetStyleStream();
  std::unique_ptr<vn::TMemoryStream> GetNumberingStream();
  std::unique_ptr<vn::TMemoryStream> GetThemeStream();
  std::unique_ptr<vn::TMemoryStream> GetDocumentSettingsStream();
  std::unique_ptr<vn::TMemoryStream> GetCorePropStream();
  // The part the relationship AID names, looked up among the relationships
  // of APart (a header or footer) or, without one, of the main document;
  // null for an empty Id or one that names nothing internal. Pictures use
  // it with their r:embed Id.
  std::unique_ptr<vn::TMemoryStream> GetResourceStream(StringView AID, const TvnDocXPackagePart* APart = nullptr);
  // The part the main document's relationship AID names (headers and
  // footers); null for an empty Id or one that names nothing internal.
  std::unique_ptr<TvnDocXPackagePart> GetPackagePart(StringView AID);
  std::unique_ptr<vn::TMemoryStream> GetPartStream(const TvnDocXPackagePart& ADOCXPart);

 private:
  void LoadMainDocument();
  std::unique_ptr<vn::TMemoryStream> MainRelationStream(StringView ARelationshipType);
  std::unique_ptr<vn::TMemoryStream> TargetStream(const TvnPackageRelationShip* ARelation);

  std::unique_ptr<TvnZipPackage> FPackage;
  const TvnPackageRelationShip* FPackageRelationShip = nullptr;
  bool FDocLoded = false;
  std::unique_ptr<TvnDocXPackagePart> FMainDocumentPart;
};

}  // namespace vn::docx
