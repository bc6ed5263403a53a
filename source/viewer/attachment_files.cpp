#include "viewer/attachment_files.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <QDir>
#include <cerrno>
#include <cstring>
#include <filesystem>

#include "pdfdocument/pd_annot.h"
#include "runtime/exceptions.h"
#include "runtime/streams.h"

namespace vn::viewer {

namespace {

constexpr size_t kMaxAttachmentNameLength = 120;
// Names tried before giving up: "name", "name (2)" ... "name (999)".
constexpr int kMaxAttachmentNameTries = 999;

[[noreturn]] void ThrowCreateError(const std::filesystem::path& APath, int AError) {
  throw vn::EFCreateError("Cannot create file \"" + APath.string() + "\". " + std::strerror(AError));
}

// A file stream over a file made new (never one that exists), open to the
// user alone.
class TNewFileStream : public vn::TFileStream {
 public:
  TNewFileStream(int AHandle, std::filesystem::path APath) : TFileStream(AHandle, std::move(APath)) {}
  // Closes the file; EWriteError "Stream write error" when the system
  // reports a delayed write failure.
  void Close() {
    if (!CloseHandle()) throw vn::EWriteError("Stream write error");
  }
};

// Splits "name.ext" into "name" and ".ext" (a leading dot is no extension).
void SplitExtension(const String& AName, String& AStem, String& AExtension) {
  const size_t dot = AName.rfind(u'.');
  if (dot == String::npos || dot == 0) {
    AStem = AName;
    AExtension.clear();
  } else {
    AStem = AName.substr(0, dot);
    AExtension = AName.substr(dot);
  }
}

}  // namespace

String SafeAttachmentName(StringView AFileName) {
  const size_t slash = AFileName.find_last_of(u"/\\");
  const StringView last = slash == StringView::npos ? AFileName : AFileName.substr(slash + 1);
  String name;
  for (char16_t c : last)
    if (c >= 0x20 && c != 0x7F) name += c;
  name = vn::Trim(name);
  while (!name.empty() && (name.back() == u'.' || name.back() == u' ')) name.pop_back();
  if (name.empty()) return u"attachment";
  if (name.size() > kMaxAttachmentNameLength) {
    String stem, extension;
    SplitExtension(name, stem, extension);
    if (extension.size() > kMaxAttachmentNameLength / 2) extension.clear();
    stem.resize(kMaxAttachmentNameLength - extension.size());
    // Do not leave half of a surrogate pair behind.
    if (!stem.empty() && stem.back() >= 0xD800 && stem.back() <= 0xDBFF) stem.pop_back();
    name = stem + extension;
  }
  return name;
}

String AttachmentFolder() {
  static String folder;
  if (!folder.empty() && QDir(QString::fromStdU16String(folder)).exists()) return folder;
  std::string pattern = QDir::tempPath().toStdString() + "/attachments-XXXXXX";
  // mkdtemp makes the folder with mode 0700.
  if (::mkdtemp(pattern.data()) == nullptr) ThrowCreateError(pattern, errno);
  folder = vn::FromUtf8(pattern);
  return folder;
}

String SaveAttachmentFile(vn::pdfdoc::TvnPDFileAttachmentAnnot& AAnnot, const String& AFolder) {
  String stem, extension;
  SplitExtension(SafeAttachmentName(AAnnot.FileName()), stem, extension);
  const std::filesystem::path folder(vn::ToUtf8(AFolder));
  for (int n = 1; n <= kMaxAttachmentNameTries; ++n) {
    const String name = n == 1 ? stem + extension : stem + u" (" + vn::IntToStr(n) + u")" + extension;
    const std::filesystem::path path = folder / vn::ToUtf8(name);
    const int handle = ::open(path.c_str(), O_RDWR | O_CREAT | O_EXCL | O_CLOEXEC | O_NOFOLLOW, 0600);
    if (handle < 0) {
      if (errno == EEXIST) continue;
      ThrowCreateError(path, errno);
    }
    try {
      TNewFileStream stream(handle, path);
      AAnnot.SaveToStream(stream);
      stream.Close();
    } catch (...) {
      std::error_code ignored;
      std::filesystem::remove(path, ignored);
      throw;
    }
    return vn::FromUtf8(path.string());
  }
  ThrowCreateError(folder / vn::ToUtf8(stem + extension), EEXIST);
}

}  // namespace vn::viewer
