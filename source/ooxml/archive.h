// The archive model: an opened archive (TAbArchive) with its items
// (TAbArchiveItem) in a hashed list (TAbArchiveList), its status, options
// and events, and the reading operations that act on items by index, by
// name, by mask or by tag. TAbZipArchive (zip_archive.h) is the concrete
// kind.
//
// Ownership: the archive owns its item list and the items in it; it owns
// its stream only when it opened the file itself. Items handed out are
// borrowed.
//
// Failures of an item operation (extract, test) are exceptions inside; the
// operation turns each into an error class and code and reports it through
// OnProcessItemFailure, and answers false, so a caller without a handler
// still learns that nothing (or only part) was written.
#pragma once

#include <array>
#include <cstdint>
#include <functional>
#include <memory>
#include <vector>

#include "ooxml/zip_exceptions.h"
#include "runtime/datetime.h"
#include "runtime/streams.h"
#include "runtime/strings.h"

namespace vn::ooxml {

enum class TAbArchiveAction { aaFailed, aaNone, aaAdd, aaDelete, aaFreshen, aaMove, aaReplace, aaStreamAdd };
enum class TAbArchiveStatus { asInvalid, asIdle, asBusy };
enum class TAbProcessType { ptAdd, ptDelete, ptExtract, ptFreshen, ptMove, ptReplace, ptFoundUnhandled };
// Types after atSelfExtZip are archive kinds this library does not open.
enum class TAbArchiveType {
  atUnknown, atZip, atSpannedZip, atSelfExtZip, atTar, atGzip, atGzippedTar, atCab, atBzip2, atBzippedTar
};

// Sets of options as bit flags.
using TAbExtractOptions = unsigned;
inline constexpr TAbExtractOptions eoCreateDirs = 1;
inline constexpr TAbExtractOptions eoRestorePath = 2;
using TAbStoreOptions = unsigned;
inline constexpr TAbStoreOptions soStripDrive = 1;
inline constexpr TAbStoreOptions soStripPath = 2;
inline constexpr TAbStoreOptions soRemoveDots = 4;
inline constexpr TAbStoreOptions soRecurse = 8;
inline constexpr TAbStoreOptions soFreshen = 16;
inline constexpr TAbStoreOptions soReplace = 32;

class TAbArchive;

// One entry of an archive.
class TAbArchiveItem {
 public:
  TAbArchiveItem() = default;
  TAbArchiveItem(const TAbArchiveItem&) = default;
  TAbArchiveItem& operator=(const TAbArchiveItem&) = default;
  virtual ~TAbArchiveItem() = default;

  virtual int64_t CompressedSize() const { return FCompressedSize; }
  virtual uint32_t CRC32() const { return FCRC32; }
  virtual uint32_t ExternalFileAttributes() const { return FExternalFileAttributes; }
  virtual const String& FileName() const { return FFileName; }
  virtual bool IsDirectory() const { return false; }
  virtual bool IsEncrypted() const { return FIsEncrypted; }
  virtual uint16_t LastModFileDate() const { return FLastModFileDate; }
  virtual uint16_t LastModFileTime() const { return FLastModFileTime; }
  // MS-DOS attributes: 0x10 for a directory, else 0.
  virtual int NativeFileAttributes() const { return IsDirectory() ? 0x10 : 0; }
  virtual int64_t UncompressedSize() const { return FUncompressedSize; }

  // Setters of the write path. An item in an archive's list is renamed
  // through the archive's Move, which keeps the list's hashing right.
  virtual void SetCompressedSize(int64_t value) { FCompressedSize = value; }
  virtual void SetCRC32(uint32_t value) { FCRC32 = value; }
  virtual void SetExternalFileAttributes(uint32_t value) { FExternalFileAttributes = value; }
  virtual void SetFileName(StringView value) { FFileName = String(value); }
  virtual void SetIsEncrypted(bool value) { FIsEncrypted = value; }
  virtual void SetLastModFileDate(uint16_t value) { FLastModFileDate = value; }
  virtual void SetLastModFileTime(uint16_t value) { FLastModFileTime = value; }
  virtual void SetUncompressedSize(int64_t value) { FUncompressedSize = value; }
  void SetDiskFileName(StringView value) { FDiskFileName = String(value); }
  // The modification time; EConvertError for a date or time out of range.
  TDateTime LastModTimeAsDateTime() const;

  TAbArchiveAction Action() const { return FAction; }
  void SetAction(TAbArchiveAction value) { FAction = value; }
  bool Tagged() const { return FTagged; }
  void SetTagged(bool value) { FTagged = value; }
  // The matching file on disk, and its folder part.
  const String& DiskFileName() const { return FDiskFileName; }
  String DiskPath() const;
  String StoredPath() const { return DiskPath(); }

  // The stored name (a directory's without its trailing separator) matches
  // the file mask; MatchesStoredNameEx takes several masks separated by
  // ";" (an empty mask matches nothing); MatchesDiskName tests DiskFileName.
  bool MatchesStoredName(StringView file_mask) const;
  bool MatchesStoredNameEx(StringView file_mask) const;
  bool MatchesDiskName(StringView file_mask) const;

  // The next item in the same hash bucket (kept by the list).
  TAbArchiveItem* NextItem = nullptr;

 protected:
  TAbArchiveAction FAction = TAbArchiveAction::aaNone;
  int64_t FCompressedSize = 0;
  int64_t FUncompressedSize = 0;
  uint32_t FCRC32 = 0;
  uint32_t FExternalFileAttributes = 0;
  bool FIsEncrypted = false;
  uint16_t FLastModFileTime = 0;
  uint16_t FLastModFileDate = 0;
  String FFileName;
  String FDiskFileName;
  bool FTagged = false;
};

// The items of an archive in order, hashed by name into 1021 buckets whose
// chains run through the items. Names are compared case-insensitively for
// ASCII letters; among equal names the one added last is found.
class TAbArchiveList {
 public:
  explicit TAbArchiveList(bool owns_items = true) : FOwnsItems(owns_items) { HashTable.fill(nullptr); }
  ~TAbArchiveList();
  TAbArchiveList(const TAbArchiveList&) = delete;
  TAbArchiveList& operator=(const TAbArchiveList&) = delete;

  // Takes the item (owned when the list owns items); answers its index.
  int Add(TAbArchiveItem* item);
  int Find(StringView name) const;  // -1 when absent
  bool IsActiveDupe(StringView name) const;
  void Delete(int index);
  void Clear();
  // Moves the item from the bucket of its old name to that of its current one.
  void RehashItem(TAbArchiveItem* item, StringView old_name);

  int Count() const { return static_cast<int>(FList.size()); }
  TAbArchiveItem* Items(int index) const { return FList.at(static_cast<size_t>(index)); }
  auto begin() const { return FList.begin(); }
  auto end() const { return FList.end(); }

  static constexpr int kBuckets = 1021;
  static int Bucket(StringView name);

 private:
  void Unlink(TAbArchiveItem* item, int bucket);

  std::vector<TAbArchiveItem*> FList;
  bool FOwnsItems;
  std::array<TAbArchiveItem*, kBuckets> HashTable;
};

// Event types.
using TAbArchiveItemFailureEvent =
    std::function<void(TAbArchive& sender, TAbArchiveItem* item, TAbProcessType process_type, TAbErrorClass error_class,
                       int error_code)>;
using TAbArchiveProgressEvent = std::function<void(TAbArchive& sender, uint8_t progress, bool& abort)>;
using TAbArchiveItemProgressEvent =
    std::function<void(TAbArchive& sender, TAbArchiveItem* item, uint8_t progress, bool& abort)>;
using TAbArchiveItemConfirmEvent =
    std::function<void(TAbArchive& sender, TAbArchiveItem* item, TAbProcessType process_type, bool& confirm)>;
using TAbConfirmOverwriteEvent = std::function<void(String& name, bool& confirm)>;
using TAbArchiveEvent = std::function<void(TAbArchive& sender)>;
using TAbProgressEvent = std::function<void(uint8_t progress, bool& abort)>;
using TAbArchiveConfirmEvent = std::function<void(TAbArchive& sender, bool& confirm)>;
using TAbRequestImageEvent =
    std::function<void(TAbArchive& sender, int image_number, String& image_name, bool& abort)>;

class TAbArchive {
 public:
  virtual ~TAbArchive();
  TAbArchive(const TAbArchive&) = delete;
  TAbArchive& operator=(const TAbArchive&) = delete;

  // Reads the directory (LoadArchive); the status becomes asIdle on success.
  // OnLoad runs in every case, also when the load raises.
  void Load();

  int FindFile(StringView name) const { return FItemList.Find(name); }
  int FindItem(const TAbArchiveItem* item) const { return item ? FItemList.Find(item->FileName()) : -1; }
  int Count() const { return FItemList.Count(); }
  TAbArchiveItem* Items(int index) const { return FItemList.Items(index); }
  const TAbArchiveList& ItemList() const { return FItemList; }
  TAbArchiveStatus Status() const { return FStatus; }
  // An aborted extraction leaves the archive invalid.
  void SetStatus(TAbArchiveStatus value) { FStatus = value; }
  const String& ArchiveName() const { return FArchiveName; }
  TStream* Stream() const { return FStream; }
  bool Spanned() const { return FSpanned; }
  TAbArchiveItem* CurrentItem() const { return FCurrentItem; }

  // Extraction. Each raises EAbNoArchive on an invalid archive. A missing
  // name, a refused confirmation or a skipped item answer false quietly; a
  // failure answers false after OnProcessItemFailure. True: the item's
  // bytes were written completely and passed their check.
  bool ExtractToStream(StringView name, TStream& stream);
  // To a file: `new_name`, or the item's stored name below BaseDirectory
  // (folders kept with eoRestorePath). Stored names never leave
  // BaseDirectory: "." and ".." parts and leading separators are dropped.
  // EAbNoSuchDirectory when the folder is missing and eoCreateDirs is not
  // set.
  bool ExtractAt(int index, StringView new_name);
  bool Extract(const TAbArchiveItem* item, StringView new_name);
  void ExtractFiles(StringView file_mask) { ExtractFilesEx(file_mask, u""); }
  void ExtractFilesEx(StringView file_mask, StringView exclusion_mask);
  void ExtractTaggedItems();
  // Tests each tagged item; a failure goes to OnProcessItemFailure, or,
  // without a handler, is raised.
  void TestTaggedItems();
  void TagItems(StringView file_mask);
  void UnTagItems(StringView file_mask);
  void ClearTags();

  // Writing. Each operation marks items for the next Save (raising
  // EAbNoArchive on an invalid archive) and makes the archive dirty; with
  // AutoSave it saves at once.
  //
  // Takes the item: with an active item of the same name, Freshen under
  // soFreshen, else Replace under soReplace, else OnProcessItemFailure
  // (ptAdd, ecArchiveError, 7); otherwise, confirmed, it joins the list to
  // be added.
  void Add(std::unique_ptr<TAbArchiveItem> item);
  // The files (and, when the archive keeps empty folders and
  // `search_attr` has kDosDirectory, the folders) matching the mask, a
  // relative mask taken in BaseDirectory, recursing with soRecurse; never
  // the archive file itself.
  void AddFiles(StringView file_mask, int search_attr) { AddFilesEx(file_mask, u"", search_attr); }
  void AddFilesEx(StringView file_mask, StringView exclusion_mask, int search_attr);
  // Adds the stream's content under `name` (with soFreshen or soReplace
  // the item of that name takes it) and saves at once.
  void AddFromStream(StringView name, TStream& stream);
  void Delete(TAbArchiveItem* item);
  void DeleteAt(int index);
  void DeleteFiles(StringView file_mask) { DeleteFilesEx(file_mask, u""); }
  void DeleteFilesEx(StringView file_mask, StringView exclusion_mask);
  void DeleteTaggedItems();
  // Marks the archive's item of the item's name to be compressed again
  // from its disk file when that file differs from it in MS-DOS date, time
  // or size.
  void Freshen(TAbArchiveItem* item);
  void FreshenFiles(StringView file_mask) { FreshenFilesEx(file_mask, u""); }
  void FreshenFilesEx(StringView file_mask, StringView exclusion_mask);
  void FreshenTaggedItems();
  // Marks the archive's item of the item's name to be compressed again
  // from the item's disk file.
  void Replace(TAbArchiveItem* item);
  // Renames the item to FixName(new_stored_path); an active other item of
  // that name gives OnProcessItemFailure (ptMove, ecArchiveError, 7).
  void Move(TAbArchiveItem* item, StringView new_stored_path);
  // Writes the archive when it is dirty (or has no items), after
  // OnConfirmSave. A save that fails leaves the archive file and the items
  // as they were.
  void Save();
  // The stored form of a disk name: "/" separators, one leading separator
  // dropped, only the last part with soStripPath, leading "../" dropped
  // with soRemoveDots.
  virtual String FixName(StringView value) const;
  // A new item for the file, to be given to Add.
  virtual std::unique_ptr<TAbArchiveItem> CreateItem(StringView file_name) = 0;
  virtual bool GetSupportsEmptyFolders() const { return false; }
  // The disk file of an item: its DiskFileName, a relative one taken in
  // BaseDirectory.
  String DiskFileOf(const TAbArchiveItem& item) const;

  const String& BaseDirectory() const { return FBaseDirectory; }
  // A trailing "/" is dropped (except from "/"); a value that is not an
  // existing folder raises EAbNoSuchDirectory.
  void SetBaseDirectory(StringView value);
  TAbExtractOptions ExtractOptions() const { return FExtractOptions; }
  void SetExtractOptions(TAbExtractOptions value) { FExtractOptions = value; }
  TAbStoreOptions StoreOptions() const { return FStoreOptions; }
  void SetStoreOptions(TAbStoreOptions value) { FStoreOptions = value; }
  const String& TempDirectory() const { return FTempDir; }
  void SetTempDirectory(StringView value) { FTempDir = String(value); }
  int64_t SpanningThreshold() const { return FSpanningThreshold; }
  void SetSpanningThreshold(int64_t value) { FSpanningThreshold = value; }
  const String& LogFile() const { return FLogFile; }
  void SetLogFile(StringView value) { FLogFile = String(value); }
  bool Logging() const { return FLogging; }
  // Closes an open log; when set and LogFile is not empty, creates the log
  // (UTF-16 lines) and writes its first line. EAbException "Error creating
  // Log File" when it cannot be made.
  void SetLogging(bool value);
  bool IsDirty() const { return FIsDirty; }
  bool AutoSave = false;

  TAbArchiveItemFailureEvent OnProcessItemFailure;
  TAbArchiveProgressEvent OnArchiveProgress;
  TAbArchiveItemProgressEvent OnArchiveItemProgress;
  TAbArchiveItemConfirmEvent OnConfirmProcessItem;
  TAbConfirmOverwriteEvent OnConfirmOverwrite;
  TAbArchiveEvent OnLoad;
  TAbArchiveProgressEvent OnArchiveSaveProgress;
  TAbArchiveConfirmEvent OnConfirmSave;
  TAbArchiveEvent OnSave;
  // Progress of the current item's extraction; by default it goes to
  // OnArchiveItemProgress.
  TAbProgressEvent OnProgress;
  TAbRequestImageEvent OnRequestImage;

  virtual void DoProcessItemFailure(TAbArchiveItem* item, TAbProcessType process_type, TAbErrorClass error_class,
                                    int error_code);
  virtual void DoArchiveProgress(uint8_t progress, bool& abort);
  virtual void DoArchiveItemProgress(TAbArchiveItem* item, uint8_t progress, bool& abort);
  virtual void DoConfirmOverwrite(String& name, bool& confirm);
  virtual void DoConfirmProcessItem(TAbArchiveItem* item, TAbProcessType process_type, bool& confirm);
  virtual void DoLoad();
  virtual void DoProgress(uint8_t progress, bool& abort);
  virtual void DoArchiveSaveProgress(uint8_t progress, bool& abort);
  virtual void DoConfirmSave(bool& confirm);
  virtual void DoSave();

 protected:
  // Over a stream the caller keeps alive (not owned).
  TAbArchive(TStream& stream, StringView archive_name);
  // Opens the file for reading and owns the stream; with `create` the
  // archive starts empty and the file is not read (a save writes it).
  explicit TAbArchive(StringView file_name, bool create = false);

  virtual void ExtractItemAt(int index, StringView use_name) = 0;
  virtual void ExtractItemToStreamAt(int index, TStream& stream) = 0;
  virtual void LoadArchive() = 0;
  virtual void TestItemAt(int index) = 0;
  virtual void SaveArchive() = 0;

  void CheckValid() const;
  // Extracts the wanted items (folders only with eoCreateDirs), reporting
  // progress by index; an abort raises EAbUserAbort.
  void ExtractWanted(const std::function<bool(const TAbArchiveItem&)>& wanted);
  // Reports the exception being handled through DoProcessItemFailure.
  void ReportFailure(TAbArchiveItem* item, TAbProcessType process_type, const std::exception& e);
  void WriteLogLine(StringView name, TAbProcessType process_type);
  // Marks the item with `action` after confirmation of `process_type`.
  bool MarkItem(TAbArchiveItem* item, TAbProcessType process_type, TAbArchiveAction action);
  void Changed();
  // The archive's item of the item's name (the item itself when it is
  // in the list), or null.
  TAbArchiveItem* ListItemOf(TAbArchiveItem* item) const;

  std::unique_ptr<TStream> FOwnedStream;
  TStream* FStream = nullptr;
  // The archive was opened by file name: a save replaces that file.
  bool FOwnsFile = false;
  // The source of the item being added from a stream.
  TStream* FInStream = nullptr;
  String FArchiveName;
  TAbArchiveStatus FStatus = TAbArchiveStatus::asIdle;
  String FBaseDirectory;
  TAbArchiveItem* FCurrentItem = nullptr;
  TAbExtractOptions FExtractOptions = 0;
  TAbStoreOptions FStoreOptions = 0;
  bool FIsDirty = false;
  int64_t FSpanningThreshold = 0;
  TAbArchiveList FItemList;
  String FLogFile;
  bool FLogging = false;
  std::unique_ptr<TFileStream> FLogStream;
  bool FSpanned = false;
  String FTempDir;
};

}  // namespace vn::ooxml
