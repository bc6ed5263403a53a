#include "ooxml/archive.h"

#include <algorithm>
#include <filesystem>

#include "ooxml/zip_utils.h"

namespace vn::ooxml {

namespace {

String ProgramFolder() {
  std::error_code ec;
  std::filesystem::path exe = std::filesystem::read_symlink("/proc/self/exe", ec);
  return ec ? String() : FromUtf8(exe.parent_path().string());
}

std::filesystem::path ToPath(StringView s) { return std::filesystem::path(ToUtf8(s)); }

// The item's stored name as a relative path that cannot leave the folder
// it is joined to: empty, "." and ".." parts are dropped (so are leading
// separators); without `restore_path` only the last part stays.
String SafeStoredName(StringView stored, bool restore_path) {
  String name(stored);
  ToBackslashes(name);
  std::vector<String> parts;
  for (String& part : SplitString(name, u'/'))
    if (!part.empty() && part != u"." && part != u"..") parts.push_back(std::move(part));
  if (parts.empty()) return {};
  if (!restore_path) return parts.back();
  String out = parts.front();
  for (size_t i = 1; i < parts.size(); ++i) out += u"/" + parts[i];
  return out;
}

String FolderOfName(StringView name) {
  size_t slash = name.rfind(u'/');
  return slash == StringView::npos ? String() : String(name.substr(0, slash + 1));
}

bool MatchesName(StringView name, bool is_directory, StringView file_mask) {
  String mask(file_mask);
  ToBackslashes(mask);
  StripDrive(mask);
  String n(name);
  ToBackslashes(n);
  if (is_directory && !n.empty() && n.back() == u'/') n.pop_back();
  return FileMatches(n, mask);
}

// A disk name, a relative one taken in `base`.
String ResolveDiskName(StringView base, StringView disk_name) {
  String name(disk_name);
  ToBackslashes(name);
  return GetPathType(name) == 2 ? name : AddBackSlash(base) + name;
}

void WriteUtf16(TStream& stream, StringView text) {
  std::string bytes;
  bytes.reserve(text.size() * 2);
  for (char16_t c : text) {
    bytes.push_back(static_cast<char>(c & 0xFF));
    bytes.push_back(static_cast<char>(c >> 8));
  }
  stream.WriteString(bytes);
}

}  // namespace

TDateTime TAbArchiveItem::LastModTimeAsDateTime() const {
  return DosDateTimeToDateTime(LastModFileDate(), LastModFileTime());
}

String TAbArchiveItem::DiskPath() const { return FolderOfName(FDiskFileName); }

bool TAbArchiveItem::MatchesStoredName(StringView file_mask) const {
  return MatchesName(FileName(), IsDirectory(), file_mask);
}

bool TAbArchiveItem::MatchesStoredNameEx(StringView file_mask) const {
  for (const String& part : SplitString(file_mask, u';')) {
    String mask = Trim(part);
    if (!mask.empty() && MatchesStoredName(mask)) return true;
  }
  return false;
}

bool TAbArchiveItem::MatchesDiskName(StringView file_mask) const {
  return MatchesName(DiskFileName(), IsDirectory(), file_mask);
}

TAbArchiveList::~TAbArchiveList() { Clear(); }

int TAbArchiveList::Bucket(StringView name) {
  uint32_t h = 0;
  for (char16_t unit : WideUpperCase(name)) {
    h = (h << 4) + unit;
    uint32_t g = h & 0xF0000000u;
    if (g != 0) h ^= g >> 24;
    h &= ~g;
  }
  return static_cast<int>(h % kBuckets);
}

int TAbArchiveList::Add(TAbArchiveItem* item) {
  if (FOwnsItems) {
    const int b = Bucket(item->FileName());
    item->NextItem = HashTable[static_cast<size_t>(b)];
    HashTable[static_cast<size_t>(b)] = item;
  }
  FList.push_back(item);
  return Count() - 1;
}

int TAbArchiveList::Find(StringView name) const {
  if (!FOwnsItems) {
    for (size_t i = 0; i < FList.size(); ++i)
      if (SameText(FList[i]->FileName(), name)) return static_cast<int>(i);
    return -1;
  }
  for (TAbArchiveItem* item = HashTable[static_cast<size_t>(Bucket(name))]; item; item = item->NextItem) {
    if (!SameText(item->FileName(), name)) continue;
    auto it = std::find(FList.begin(), FList.end(), item);
    return it == FList.end() ? -1 : static_cast<int>(it - FList.begin());
  }
  return -1;
}

bool TAbArchiveList::IsActiveDupe(StringView name) const {
  for (const TAbArchiveItem* item : FList)
    if (SameText(item->FileName(), name) && item->Action() != TAbArchiveAction::aaDelete) return true;
  return false;
}

void TAbArchiveList::Unlink(TAbArchiveItem* item, int bucket) {
  TAbArchiveItem** link = &HashTable[static_cast<size_t>(bucket)];
  while (*link && *link != item) link = &(*link)->NextItem;
  if (*link) *link = item->NextItem;
  item->NextItem = nullptr;
}

void TAbArchiveList::Delete(int index) {
  TAbArchiveItem* item = Items(index);
  FList.erase(FList.begin() + index);
  if (FOwnsItems) {
    Unlink(item, Bucket(item->FileName()));
    delete item;
  }
}

void TAbArchiveList::Clear() {
  if (FOwnsItems)
    for (TAbArchiveItem* item : FList) delete item;
  FList.clear();
  HashTable.fill(nullptr);
}

void TAbArchiveList::RehashItem(TAbArchiveItem* item, StringView old_name) {
  Unlink(item, Bucket(old_name));
  const int b = Bucket(item->FileName());
  item->NextItem = HashTable[static_cast<size_t>(b)];
  HashTable[static_cast<size_t>(b)] = item;
}

TAbArchive::TAbArchive(TStream& stream, StringView archive_name)
    : FStream(&stream), FArchiveName(archive_name), FBaseDirectory(ProgramFolder()) {
  OnProgress = [this](uint8_t progress, bool& abort) { DoProgress(progress, abort); };
}

TAbArchive::TAbArchive(StringView file_name, bool create)
    : FOwnedStream(create ? std::unique_ptr<TStream>(std::make_unique<TMemoryStream>())
                          : std::make_unique<TFileStream>(ToPath(file_name), FileMode::fmOpenRead)),
      FStream(FOwnedStream.get()),
      FOwnsFile(true),
      FArchiveName(file_name),
      FBaseDirectory(ProgramFolder()) {
  OnProgress = [this](uint8_t progress, bool& abort) { DoProgress(progress, abort); };
}

TAbArchive::~TAbArchive() = default;

void TAbArchive::Load() {
  try {
    LoadArchive();
    FStatus = TAbArchiveStatus::asIdle;
  } catch (...) {
    DoLoad();
    throw;
  }
  DoLoad();
}

void TAbArchive::CheckValid() const {
  if (FStatus == TAbArchiveStatus::asInvalid) throw EAbNoArchive();
}

void TAbArchive::ReportFailure(TAbArchiveItem* item, TAbProcessType process_type, const std::exception& e) {
  TAbErrorClass error_class;
  int error_code;
  ClassifyException(e, error_class, error_code);
  DoProcessItemFailure(item, process_type, error_class, error_code);
}

bool TAbArchive::ExtractToStream(StringView name, TStream& stream) {
  CheckValid();
  const int index = FindFile(name);
  if (index < 0) return false;
  TAbArchiveItem* item = Items(index);
  bool confirm = true;
  DoConfirmProcessItem(item, TAbProcessType::ptExtract, confirm);
  if (!confirm) return false;
  FCurrentItem = item;
  try {
    ExtractItemToStreamAt(index, stream);
    return true;
  } catch (const std::exception& e) {
    ReportFailure(item, TAbProcessType::ptExtract, e);
    return false;
  }
}

bool TAbArchive::ExtractAt(int index, StringView new_name) {
  CheckValid();
  TAbArchiveItem* item = Items(index);
  bool confirm = true;
  DoConfirmProcessItem(item, TAbProcessType::ptExtract, confirm);
  if (!confirm) return false;
  const bool directory = item->IsDirectory();
  const bool restore_path = FExtractOptions & eoRestorePath;
  if (directory && !((FExtractOptions & eoCreateDirs) && restore_path)) return false;

  String name = new_name.empty() ? SafeStoredName(item->FileName(), restore_path) : String(new_name);
  if (name.empty()) return false;  // a stored name of dots and separators only
  if (GetPathType(name) != 2) name = AddBackSlash(FBaseDirectory) + name;
  const String folder = FolderOfName(name);
  std::error_code ec;
  if (!folder.empty() && !std::filesystem::is_directory(ToPath(folder), ec)) {
    if (!(FExtractOptions & eoCreateDirs)) throw EAbNoSuchDirectory();
    CreateDirectoryPath(folder);
  }
  if (!directory && std::filesystem::exists(ToPath(name), ec)) {
    bool overwrite = true;
    DoConfirmOverwrite(name, overwrite);
    if (!overwrite) return false;
  }
  FCurrentItem = item;
  try {
    ExtractItemAt(index, name);
    return true;
  } catch (const std::exception& e) {
    ReportFailure(item, TAbProcessType::ptExtract, e);
    return false;
  }
}

bool TAbArchive::Extract(const TAbArchiveItem* item, StringView new_name) {
  const int index = FindItem(item);
  return index >= 0 && ExtractAt(index, new_name);
}

void TAbArchive::ExtractWanted(const std::function<bool(const TAbArchiveItem&)>& wanted) {
  CheckValid();
  const int count = Count();
  for (int i = 0; i < count; ++i) {
    const TAbArchiveItem* item = Items(i);
    if (wanted(*item) && (!item->IsDirectory() || (FExtractOptions & eoCreateDirs))) ExtractAt(i, u"");
    bool abort = false;
    DoArchiveProgress(Percentage(i + 1, count), abort);
    if (abort) throw EAbUserAbort();
  }
  bool abort = false;
  DoArchiveProgress(100, abort);
}

void TAbArchive::ExtractFilesEx(StringView file_mask, StringView exclusion_mask) {
  ExtractWanted([&](const TAbArchiveItem& item) {
    return item.MatchesStoredNameEx(file_mask) && !item.MatchesStoredNameEx(exclusion_mask);
  });
}

void TAbArchive::ExtractTaggedItems() {
  ExtractWanted([](const TAbArchiveItem& item) { return item.Tagged(); });
}

void TAbArchive::TestTaggedItems() {
  CheckValid();
  const int count = Count();
  for (int i = 0; i < count; ++i) {
    TAbArchiveItem* item = Items(i);
    if (!item->Tagged()) continue;
    FCurrentItem = item;
    try {
      TestItemAt(i);
    } catch (const std::exception& e) {
      // A failed test goes to the failure handler; without one it is the
      // caller's, so it never passes unnoticed.
      if (!OnProcessItemFailure) throw;
      ReportFailure(item, TAbProcessType::ptExtract, e);
    }
  }
}

void TAbArchive::TagItems(StringView file_mask) {
  CheckValid();
  for (TAbArchiveItem* item : FItemList)
    if (item->MatchesStoredNameEx(file_mask)) item->SetTagged(true);
}

void TAbArchive::UnTagItems(StringView file_mask) {
  CheckValid();
  for (TAbArchiveItem* item : FItemList)
    if (item->MatchesStoredNameEx(file_mask)) item->SetTagged(false);
}

void TAbArchive::ClearTags() {
  CheckValid();
  for (TAbArchiveItem* item : FItemList) item->SetTagged(false);
}

void TAbArchive::SetBaseDirectory(StringView value) {
  String dir(value);
  if (dir.size() > 1 && dir.back() == u'/') dir.pop_back();
  std::error_code ec;
  if (!dir.empty() && !std::filesystem::is_directory(ToPath(dir), ec)) throw EAbNoSuchDirectory();
  FBaseDirectory = dir;
}

void TAbArchive::SetLogging(bool value) {
  FLogStream.reset();
  FLogging = value;
  if (!value || FLogFile.empty()) return;
  try {
    FLogStream = std::make_unique<TFileStream>(ToPath(FLogFile), FileMode::fmCreate);
  } catch (const EFileStreamError&) {
    throw EAbException("Error creating Log File");
  }
  WriteUtf16(*FLogStream, FArchiveName + u" logging " + FormatDateTime(u"c", Now()) + u"\r\n");
}

void TAbArchive::WriteLogLine(StringView name, TAbProcessType process_type) {
  if (!FLogStream) return;
  static const char16_t* const kTexts[] = {u" added ",     u" deleted ",  u" extracted ",      u" freshened ",
                                          u" moved ",     u" replaced ", u"Unhandled Entity"};
  WriteUtf16(*FLogStream,
             String(name) + kTexts[static_cast<int>(process_type)] + FormatDateTime(u"c", Now()) + u"\r\n");
}

void TAbArchive::DoProcessItemFailure(TAbArchiveItem* item, TAbProcessType process_type, TAbErrorClass error_class,
                                      int error_code) {
  if (OnProcessItemFailure) OnProcessItemFailure(*this, item, process_type, error_class, error_code);
}

void TAbArchive::DoArchiveProgress(uint8_t progress, bool& abort) {
  abort = false;
  if (OnArchiveProgress) OnArchiveProgress(*this, progress, abort);
}

void TAbArchive::DoArchiveItemProgress(TAbArchiveItem* item, uint8_t progress, bool& abort) {
  abort = false;
  if (OnArchiveItemProgress) OnArchiveItemProgress(*this, item, progress, abort);
}

void TAbArchive::DoConfirmOverwrite(String& name, bool& confirm) {
  confirm = true;
  if (OnConfirmOverwrite) OnConfirmOverwrite(name, confirm);
}

void TAbArchive::DoConfirmProcessItem(TAbArchiveItem* item, TAbProcessType process_type, bool& confirm) {
  confirm = true;
  if (OnConfirmProcessItem) OnConfirmProcessItem(*this, item, process_type, confirm);
  if (confirm && FLogging) WriteLogLine(item->FileName(), process_type);
}

void TAbArchive::DoLoad() {
  if (OnLoad) OnLoad(*this);
}

void TAbArchive::DoProgress(uint8_t progress, bool& abort) { DoArchiveItemProgress(FCurrentItem, progress, abort); }

void TAbArchive::DoArchiveSaveProgress(uint8_t progress, bool& abort) {
  abort = false;
  if (OnArchiveSaveProgress) OnArchiveSaveProgress(*this, progress, abort);
}

void TAbArchive::DoConfirmSave(bool& confirm) {
  confirm = true;
  if (OnConfirmSave) OnConfirmSave(*this, confirm);
}

void TAbArchive::DoSave() {
  if (OnSave) OnSave(*this);
}

String TAbArchive::FixName(StringView value) const {
  String name(value);
  ToBackslashes(name);
  if (FStoreOptions & soStripDrive) StripDrive(name);
  if (name.size() > 1 && name.front() == u'/') name.erase(0, 1);
  if (FStoreOptions & soStripPath) {
    const bool folder = !name.empty() && name.back() == u'/';
    if (folder) name.pop_back();
    const size_t slash = name.rfind(u'/');
    if (slash != String::npos) name.erase(0, slash + 1);
    if (folder) name += u'/';
  }
  if (FStoreOptions & soRemoveDots) StripDots(name);
  return name;
}

String TAbArchive::DiskFileOf(const TAbArchiveItem& item) const {
  return ResolveDiskName(FBaseDirectory, item.DiskFileName());
}

void TAbArchive::Changed() {
  FIsDirty = true;
  if (AutoSave) Save();
}

bool TAbArchive::MarkItem(TAbArchiveItem* item, TAbProcessType process_type, TAbArchiveAction action) {
  bool confirm = true;
  DoConfirmProcessItem(item, process_type, confirm);
  if (!confirm) return false;
  item->SetAction(action);
  return true;
}

TAbArchiveItem* TAbArchive::ListItemOf(TAbArchiveItem* item) const {
  if (!item) return nullptr;
  if (std::find(FItemList.begin(), FItemList.end(), item) != FItemList.end()) return item;
  const int index = FindItem(item);
  return index < 0 ? nullptr : Items(index);
}

void TAbArchive::Add(std::unique_ptr<TAbArchiveItem> item) {
  CheckValid();
  if (FItemList.IsActiveDupe(item->FileName())) {
    if (FStoreOptions & soFreshen)
      Freshen(item.get());
    else if (FStoreOptions & soReplace)
      Replace(item.get());
    else
      DoProcessItemFailure(item.get(), TAbProcessType::ptAdd, TAbErrorClass::ecArchiveError, 7);
    return;
  }
  if (!MarkItem(item.get(), TAbProcessType::ptAdd, TAbArchiveAction::aaAdd)) return;
  FItemList.Add(item.release());
  Changed();
}

void TAbArchive::AddFilesEx(StringView file_mask, StringView exclusion_mask, int search_attr) {
  CheckValid();
  String mask(file_mask);
  ToBackslashes(mask);
  if (GetPathType(mask) != 2) mask = AddBackSlash(FBaseDirectory) + mask;
  if (!GetSupportsEmptyFolders()) search_attr &= ~kDosDirectory;
  std::vector<String> files;
  FindFiles(mask, search_attr, files, FStoreOptions & soRecurse);
  std::error_code ec;
  const std::filesystem::path archive_file = ToPath(FArchiveName);
  for (const String& file : files) {
    if (!FArchiveName.empty() && std::filesystem::equivalent(ToPath(file), archive_file, ec)) continue;
    bool excluded = false;
    for (const String& part : SplitString(exclusion_mask, u';')) {
      String exclusion = Trim(part);
      ToBackslashes(exclusion);
      if (!exclusion.empty() && FileMatches(file, exclusion)) excluded = true;
    }
    if (!excluded) Add(CreateItem(file));
  }
}

void TAbArchive::AddFromStream(StringView name, TStream& stream) {
  CheckValid();
  const String stored = FixName(name);
  TAbArchiveItem* item = nullptr;
  for (TAbArchiveItem* candidate : FItemList)
    if (candidate->Action() != TAbArchiveAction::aaDelete && SameText(candidate->FileName(), stored)) item = candidate;
  const bool created = item == nullptr;
  const TAbArchiveAction previous = item ? item->Action() : TAbArchiveAction::aaNone;
  if (item) {
    if (!(FStoreOptions & (soFreshen | soReplace))) {
      DoProcessItemFailure(item, TAbProcessType::ptAdd, TAbErrorClass::ecArchiveError, 7);
      return;
    }
    if (!MarkItem(item, TAbProcessType::ptReplace, TAbArchiveAction::aaStreamAdd)) return;
  } else {
    std::unique_ptr<TAbArchiveItem> fresh = CreateItem(name);
    if (!MarkItem(fresh.get(), TAbProcessType::ptAdd, TAbArchiveAction::aaStreamAdd)) return;
    item = fresh.get();
    FItemList.Add(fresh.release());
  }
  const bool was_dirty = FIsDirty;
  FIsDirty = true;
  FInStream = &stream;
  try {
    Save();
  } catch (...) {
    // The stream is lent for this call only: its item does not wait for a
    // later save that could no longer read it.
    FInStream = nullptr;
    FIsDirty = was_dirty;
    if (!created) {
      item->SetAction(previous);
    } else if (auto it = std::find(FItemList.begin(), FItemList.end(), item); it != FItemList.end()) {
      FItemList.Delete(static_cast<int>(it - FItemList.begin()));
    }
    throw;
  }
  FInStream = nullptr;
}

void TAbArchive::Delete(TAbArchiveItem* item) {
  const int index = FindItem(item);
  if (index >= 0) DeleteAt(index);
}

void TAbArchive::DeleteAt(int index) {
  CheckValid();
  if (MarkItem(Items(index), TAbProcessType::ptDelete, TAbArchiveAction::aaDelete)) Changed();
}

void TAbArchive::DeleteFilesEx(StringView file_mask, StringView exclusion_mask) {
  CheckValid();
  bool changed = false;
  for (int i = Count() - 1; i >= 0; --i) {
    TAbArchiveItem* item = Items(i);
    if (item->MatchesStoredNameEx(file_mask) && !item->MatchesStoredNameEx(exclusion_mask))
      changed |= MarkItem(item, TAbProcessType::ptDelete, TAbArchiveAction::aaDelete);
  }
  if (changed) Changed();
}

void TAbArchive::DeleteTaggedItems() {
  CheckValid();
  bool changed = false;
  for (int i = Count() - 1; i >= 0; --i)
    if (Items(i)->Tagged()) changed |= MarkItem(Items(i), TAbProcessType::ptDelete, TAbArchiveAction::aaDelete);
  if (changed) Changed();
}

void TAbArchive::Freshen(TAbArchiveItem* item) {
  CheckValid();
  TAbArchiveItem* target = ListItemOf(item);
  if (!target) return;
  const String disk_name = item->DiskFileName().empty() ? target->DiskFileName() : item->DiskFileName();
  TAbAttrExRec info;
  if (!GetFileAttrEx(ToPath(ResolveDiskName(FBaseDirectory, disk_name)), info)) return;
  const uint32_t dos = DateTimeToDosDateTime(info.Time);
  if (static_cast<uint16_t>(dos >> 16) == target->LastModFileDate() &&
      static_cast<uint16_t>(dos) == target->LastModFileTime() && info.Size == target->UncompressedSize())
    return;
  // An item not yet written keeps its own pending action.
  const TAbArchiveAction action =
      target->Action() == TAbArchiveAction::aaNone || target->Action() == TAbArchiveAction::aaMove
          ? TAbArchiveAction::aaFreshen
          : target->Action();
  if (!MarkItem(target, TAbProcessType::ptFreshen, action)) return;
  target->SetDiskFileName(disk_name);
  Changed();
}

void TAbArchive::FreshenFilesEx(StringView file_mask, StringView exclusion_mask) {
  CheckValid();
  for (int i = 0; i < Count(); ++i) {
    TAbArchiveItem* item = Items(i);
    if (item->MatchesStoredNameEx(file_mask) && !item->MatchesStoredNameEx(exclusion_mask)) Freshen(item);
  }
}

void TAbArchive::FreshenTaggedItems() {
  CheckValid();
  for (int i = 0; i < Count(); ++i)
    if (Items(i)->Tagged()) Freshen(Items(i));
}

void TAbArchive::Replace(TAbArchiveItem* item) {
  CheckValid();
  TAbArchiveItem* target = ListItemOf(item);
  if (!target) return;
  if (!MarkItem(target, TAbProcessType::ptReplace, TAbArchiveAction::aaReplace)) return;
  if (!item->DiskFileName().empty()) target->SetDiskFileName(item->DiskFileName());
  Changed();
}

void TAbArchive::Move(TAbArchiveItem* item, StringView new_stored_path) {
  CheckValid();
  const String name = FixName(new_stored_path);
  for (const TAbArchiveItem* other : FItemList)
    if (other != item && other->Action() != TAbArchiveAction::aaDelete && SameText(other->FileName(), name)) {
      DoProcessItemFailure(item, TAbProcessType::ptMove, TAbErrorClass::ecArchiveError, 7);
      return;
    }
  bool confirm = true;
  DoConfirmProcessItem(item, TAbProcessType::ptMove, confirm);
  if (!confirm) return;
  const String old_name = item->FileName();
  item->SetFileName(name);
  FItemList.RehashItem(item, old_name);
  // An item whose data come from disk or a stream at the next save keeps
  // that action; only an item copied from the archive becomes a move.
  if (item->Action() == TAbArchiveAction::aaNone) item->SetAction(TAbArchiveAction::aaMove);
  Changed();
}

void TAbArchive::Save() {
  if (FStatus == TAbArchiveStatus::asInvalid) return;
  if (!FIsDirty && Count() > 0) return;
  bool confirm = true;
  DoConfirmSave(confirm);
  if (!confirm) return;
  SaveArchive();
  FIsDirty = false;
  DoSave();
}

}  // namespace vn::ooxml
