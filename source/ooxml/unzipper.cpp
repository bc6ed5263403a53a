#include "ooxml/unzipper.h"

#include <filesystem>

#include "ooxml/zip_extract.h"
#include "runtime/codepages.h"

namespace vn::ooxml {

TAbBaseBrowser::~TAbBaseBrowser() = default;

void TAbBaseBrowser::RequireArchive() const {
  if (!FArchive) throw EAbNoArchive();
}

void TAbBaseBrowser::TagItems(StringView file_mask) {
  RequireArchive();
  FArchive->TagItems(file_mask);
}

void TAbBaseBrowser::UnTagItems(StringView file_mask) {
  RequireArchive();
  FArchive->UnTagItems(file_mask);
}

void TAbBaseBrowser::ClearTags() {
  RequireArchive();
  FArchive->ClearTags();
}

void TAbBaseBrowser::SetBaseDirectory(StringView value) {
  if (FArchive) {
    FArchive->SetBaseDirectory(value);
    FBaseDirectory = FArchive->BaseDirectory();
  } else {
    FBaseDirectory = String(value);
  }
}

void TAbBaseBrowser::SetLogFile(StringView value) {
  FLogFile = String(value);
  if (FArchive) FArchive->SetLogFile(value);
  SetLogging(!FLogFile.empty());
}

void TAbBaseBrowser::SetLogging(bool value) {
  FLogging = value;
  if (FArchive) FArchive->SetLogging(value);
}

void TAbBaseBrowser::SetTempDirectory(StringView value) {
  FTempDirectory = String(value);
  if (FArchive) FArchive->SetTempDirectory(value);
}

void TAbBaseBrowser::SetOnRequestImage(TAbRequestImageEvent handler) {
  FOnRequestImage = std::move(handler);
  if (FArchive) FArchive->OnRequestImage = FOnRequestImage;
}

void TAbBaseBrowser::ResetMeters() {
  if (ArchiveProgressMeter) ArchiveProgressMeter->Reset();
  if (ItemProgressMeter) ItemProgressMeter->Reset();
}

void TAbBaseBrowser::DoArchiveItemProgress(TAbArchiveItem* item, uint8_t progress, bool& abort) {
  abort = false;
  if (ItemProgressMeter) ItemProgressMeter->DoProgress(progress);
  if (OnArchiveItemProgress) OnArchiveItemProgress(*this, item, progress, abort);
}

void TAbBaseBrowser::DoArchiveProgress(uint8_t progress, bool& abort) {
  abort = false;
  if (ArchiveProgressMeter) ArchiveProgressMeter->DoProgress(progress);
  if (OnArchiveProgress) OnArchiveProgress(*this, progress, abort);
}

void TAbBaseBrowser::DoChange() {
  if (OnChange) OnChange(*this);
}

void TAbBaseBrowser::DoConfirmProcessItem(TAbArchiveItem* item, TAbProcessType process_type, bool& confirm) {
  confirm = true;
  if (ItemProgressMeter) ItemProgressMeter->Reset();
  if (OnConfirmProcessItem) OnConfirmProcessItem(*this, item, process_type, confirm);
}

void TAbBaseBrowser::DoLoad() {
  if (OnLoad) OnLoad(*this);
}

void TAbBaseBrowser::DoProcessItemFailure(TAbArchiveItem* item, TAbProcessType process_type,
                                          TAbErrorClass error_class, int error_code) {
  if (OnProcessItemFailure) OnProcessItemFailure(*this, item, process_type, error_class, error_code);
}

void TAbBaseBrowser::InitArchive() {
  ResetMeters();
  TAbArchive& a = *FArchive;
  a.SetSpanningThreshold(FSpanningThreshold);
  a.SetLogFile(FLogFile);
  a.SetLogging(FLogging);
  a.SetTempDirectory(FTempDirectory);
  SetBaseDirectory(FBaseDirectory);
  a.OnArchiveProgress = [this](TAbArchive&, uint8_t progress, bool& abort) { DoArchiveProgress(progress, abort); };
  a.OnArchiveItemProgress = [this](TAbArchive&, TAbArchiveItem* item, uint8_t progress, bool& abort) {
    DoArchiveItemProgress(item, progress, abort);
  };
  a.OnConfirmProcessItem = [this](TAbArchive&, TAbArchiveItem* item, TAbProcessType type, bool& confirm) {
    DoConfirmProcessItem(item, type, confirm);
  };
  a.OnLoad = [this](TAbArchive&) { DoLoad(); };
  a.OnProcessItemFailure = [this](TAbArchive&, TAbArchiveItem* item, TAbProcessType type, TAbErrorClass error_class,
                                  int error_code) { DoProcessItemFailure(item, type, error_class, error_code); };
  a.OnRequestImage = FOnRequestImage;
}

TAbArchiveType TAbCustomZipBrowser::CheckedType(TAbArchiveType type) {
  if (type == TAbArchiveType::atUnknown || type > TAbArchiveType::atSelfExtZip) throw EAbUnhandledType();
  return type;
}

void TAbCustomZipBrowser::SetStream(TStream* stream) {
  FFileName.clear();
  CloseCurrent();
  if (stream) {
    const TAbArchiveType type = CheckedType(ForceType ? FArchiveType : DetectStreamArchiveType(*stream));
    FArchive = std::make_unique<TAbZipArchive>(*stream, u"");
    InitArchive();
    FArchive->Load();
    FArchiveType = type;
  }
  DoChange();
}

void TAbCustomZipBrowser::SetFileName(StringView value) {
  FFileName = String(value);
  CloseCurrent();
  std::error_code ec;
  if (!FFileName.empty() && std::filesystem::exists(std::filesystem::path(ToUtf8(FFileName)), ec)) {
    const TAbArchiveType type =
        CheckedType(ForceType ? FArchiveType : DetectFileArchiveType(FFileName, TAbArchiveType::atUnknown));
    FArchive = std::make_unique<TAbZipArchive>(FFileName);
    InitArchive();
    FArchive->Load();
    FArchiveType = type;
  }
  DoChange();
}

void TAbCustomZipBrowser::SetPassword(StringView value) {
  FPassword = String(value);
  if (ZipArchive()) ZipArchive()->SetPassword(StringToAnsi(FPassword));
}

String TAbCustomZipBrowser::ZipfileComment() const {
  return ZipArchive() ? AnsiToString(ZipArchive()->ZipfileComment()) : String();
}

void TAbCustomZipBrowser::InitArchive() {
  TAbBaseBrowser::InitArchive();
  ZipArchive()->SetPassword(StringToAnsi(FPassword));
}

void TAbCustomUnZipper::SetFileName(StringView value) {
  if (!value.empty()) {
    const std::filesystem::path path(ToUtf8(value));
    std::error_code ec;
    if (!std::filesystem::exists(path, ec)) throw EAbFileNotFound();
    const auto size = std::filesystem::file_size(path, ec);
    if (ec || size == 0) throw EAbBadStream();
  }
  TAbCustomZipBrowser::SetFileName(value);
}

bool TAbCustomUnZipper::ExtractToStream(StringView name, TStream& stream) {
  RequireArchive();
  return FArchive->ExtractToStream(name, stream);
}

bool TAbCustomUnZipper::ExtractAt(int index, StringView new_name) {
  RequireArchive();
  return FArchive->ExtractAt(index, new_name);
}

void TAbCustomUnZipper::ExtractFiles(StringView file_mask) {
  RequireArchive();
  FArchive->ExtractFiles(file_mask);
}

void TAbCustomUnZipper::ExtractFilesEx(StringView file_mask, StringView exclusion_mask) {
  RequireArchive();
  FArchive->ExtractFilesEx(file_mask, exclusion_mask);
}

void TAbCustomUnZipper::ExtractTaggedItems() {
  RequireArchive();
  FArchive->ExtractTaggedItems();
}

void TAbCustomUnZipper::TestTaggedItems() {
  RequireArchive();
  FArchive->TestTaggedItems();
}

void TAbCustomUnZipper::SetExtractOptions(TAbExtractOptions value) {
  FExtractOptions = value;
  if (FArchive) FArchive->SetExtractOptions(value);
}

void TAbCustomUnZipper::SetPasswordRetries(uint8_t value) {
  FPasswordRetries = value;
  if (ZipArchive()) ZipArchive()->SetPasswordRetries(value);
}

void TAbCustomUnZipper::DoConfirmOverwrite(String& name, bool& confirm) {
  confirm = true;
  if (OnConfirmOverwrite) OnConfirmOverwrite(name, confirm);
}

void TAbCustomUnZipper::InitArchive() {
  TAbCustomZipBrowser::InitArchive();
  TAbZipArchive& a = *ZipArchive();
  a.SetExtractOptions(FExtractOptions);
  a.OnConfirmOverwrite = [this](String& name, bool& confirm) { DoConfirmOverwrite(name, confirm); };
  a.SetPasswordRetries(FPasswordRetries);
  a.TestHelper = TestItem;
  a.ExtractHelper = ExtractItemToFile;
  a.ExtractToStreamHelper = ExtractItemToStream;
}

}  // namespace vn::ooxml
