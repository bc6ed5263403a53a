// The unzipper component through which a package is read: it opens a zip
// archive held in a stream or a file, wires the archive's events to its own
// and installs the member extraction routines, looks names up and extracts
// items into streams or files.
//
// Ownership: the component owns the archive it opened; an archive opened
// from a stream borrows that stream, which the caller keeps alive while the
// archive is open. Several components may read the same stream one call at
// a time.
//
// Without an open archive Count is 0, Status asInvalid and FindFile -1, and
// the extraction operations raise EAbNoArchive.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>

#include "ooxml/zip_archive.h"

namespace vn::ooxml {

// An optional progress display.
class IAbProgressMeter {
 public:
  virtual ~IAbProgressMeter() = default;
  virtual void DoProgress(uint8_t progress) = 0;
  virtual void Reset() = 0;
};

class TAbBaseBrowser;

using TAbBrowserProgressEvent = std::function<void(TAbBaseBrowser& sender, uint8_t progress, bool& abort)>;
using TAbBrowserItemProgressEvent =
    std::function<void(TAbBaseBrowser& sender, TAbArchiveItem* item, uint8_t progress, bool& abort)>;
using TAbBrowserItemConfirmEvent =
    std::function<void(TAbBaseBrowser& sender, TAbArchiveItem* item, TAbProcessType process_type, bool& confirm)>;
using TAbBrowserItemFailureEvent = std::function<void(TAbBaseBrowser& sender, TAbArchiveItem* item,
                                                      TAbProcessType process_type, TAbErrorClass error_class,
                                                      int error_code)>;
using TAbBrowserEvent = std::function<void(TAbBaseBrowser& sender)>;

class TAbBaseComponent {
 public:
  virtual ~TAbBaseComponent() = default;
};

class TAbBaseBrowser : public TAbBaseComponent {
 public:
  ~TAbBaseBrowser() override;

  int Count() const { return FArchive ? FArchive->Count() : 0; }
  TAbArchiveStatus Status() const { return FArchive ? FArchive->Status() : TAbArchiveStatus::asInvalid; }
  // Case-insensitive for ASCII letters; "/" and "\" are distinct.
  int FindFile(StringView name) const { return FArchive ? FArchive->FindFile(name) : -1; }
  int FindItem(const TAbArchiveItem* item) const { return FArchive ? FArchive->FindItem(item) : -1; }

  void TagItems(StringView file_mask);
  void UnTagItems(StringView file_mask);
  void ClearTags();

  const String& FileName() const { return FFileName; }
  // Opens the archive in a file (empty: closes it).
  virtual void SetFileName(StringView value) = 0;
  void OpenArchive(StringView file_name) { SetFileName(file_name); }
  void CloseArchive() {
    if (!FFileName.empty()) SetFileName(u"");
  }

  const String& BaseDirectory() const { return FBaseDirectory; }
  // With an open archive, the archive checks and normalises the folder.
  void SetBaseDirectory(StringView value);
  const String& LogFile() const { return FLogFile; }
  void SetLogFile(StringView value);
  bool Logging() const { return FLogging; }
  void SetLogging(bool value);
  const String& TempDirectory() const { return FTempDirectory; }
  void SetTempDirectory(StringView value);
  int SpanningThreshold() const { return FSpanningThreshold; }
  void SetSpanningThreshold(int value) { FSpanningThreshold = value; }
  TAbArchiveType ArchiveType() const { return FArchiveType; }
  // The type used instead of detection when ForceType is set.
  void SetArchiveType(TAbArchiveType value) { FArchiveType = value; }
  bool ForceType = false;

  IAbProgressMeter* ArchiveProgressMeter = nullptr;
  IAbProgressMeter* ItemProgressMeter = nullptr;

  TAbBrowserProgressEvent OnArchiveProgress;
  TAbBrowserItemProgressEvent OnArchiveItemProgress;
  TAbBrowserEvent OnChange;
  TAbBrowserItemConfirmEvent OnConfirmProcessItem;
  TAbBrowserEvent OnLoad;
  TAbBrowserItemFailureEvent OnProcessItemFailure;
  const TAbRequestImageEvent& OnRequestImage() const { return FOnRequestImage; }
  void SetOnRequestImage(TAbRequestImageEvent handler);

 protected:
  virtual void ResetMeters();
  virtual void DoArchiveItemProgress(TAbArchiveItem* item, uint8_t progress, bool& abort);
  virtual void DoArchiveProgress(uint8_t progress, bool& abort);
  virtual void DoChange();
  virtual void DoConfirmProcessItem(TAbArchiveItem* item, TAbProcessType process_type, bool& confirm);
  virtual void DoLoad();
  virtual void DoProcessItemFailure(TAbArchiveItem* item, TAbProcessType process_type, TAbErrorClass error_class,
                                    int error_code);
  // Wires a new archive to the component; each class adds its part.
  virtual void InitArchive();
  void RequireArchive() const;
  void CloseCurrent() { FArchive.reset(); }

  std::unique_ptr<TAbArchive> FArchive;
  int FSpanningThreshold = 0;
  String FBaseDirectory;
  String FFileName;
  String FLogFile;
  String FTempDirectory;
  bool FLogging = false;
  TAbArchiveType FArchiveType = TAbArchiveType::atUnknown;
  TAbRequestImageEvent FOnRequestImage;
};

class TAbCustomZipBrowser : public TAbBaseBrowser {
 public:
  TAbZipItem* GetItem(int index) const { return ZipArchive() ? ZipArchive()->ZipItem(index) : nullptr; }
  TAbZipArchive* ZipArchive() const { return static_cast<TAbZipArchive*>(FArchive.get()); }

  // The stream of the open archive, or null.
  TStream* Stream() const { return FArchive ? FArchive->Stream() : nullptr; }
  // Opens the archive held in the stream (null: closes it). The stream is
  // borrowed. EAbUnhandledType when it holds no zip archive (the component
  // is then without one); errors of the directory load pass on with the
  // partly loaded archive left open.
  void SetStream(TStream* stream);
  void SetFileName(StringView value) override;

  const String& Password() const { return FPassword; }
  // Given to an open archive as ANSI text.
  void SetPassword(StringView value);
  // The archive comment as text (empty without one).
  String ZipfileComment() const;
  bool TarAutoHandle() const { return false; }

 protected:
  void InitArchive() override;
  // Detects the type, refusing what is not a zip archive.
  static TAbArchiveType CheckedType(TAbArchiveType type);

  String FPassword;
};

class TAbCustomUnZipper : public TAbCustomZipBrowser {
 public:
  TAbCustomUnZipper() = default;

  // A missing file raises EAbFileNotFound, an empty one EAbBadStream.
  void SetFileName(StringView value) override;

  // Extracts the named item into `stream` at its position. A missing name
  // writes nothing and raises nothing; every extraction error goes to
  // OnProcessItemFailure, and the stream keeps what was written before it.
  // True when the item was extracted completely and passed its check.
  bool ExtractToStream(StringView name, TStream& stream);
  bool ExtractAt(int index, StringView new_name);
  void ExtractFiles(StringView file_mask);
  void ExtractFilesEx(StringView file_mask, StringView exclusion_mask);
  void ExtractTaggedItems();
  void TestTaggedItems();

  TAbExtractOptions ExtractOptions() const { return FExtractOptions; }
  void SetExtractOptions(TAbExtractOptions value);
  uint8_t PasswordRetries() const { return FPasswordRetries; }
  void SetPasswordRetries(uint8_t value);

  TAbConfirmOverwriteEvent OnConfirmOverwrite;

 protected:
  void InitArchive() override;
  virtual void DoConfirmOverwrite(String& name, bool& confirm);

  TAbExtractOptions FExtractOptions = eoCreateDirs;
  uint8_t FPasswordRetries = 3;
};

class TAbUnZipper : public TAbCustomUnZipper {
 public:
  String Version() const { return u"5.0"; }
};

}  // namespace vn::ooxml
