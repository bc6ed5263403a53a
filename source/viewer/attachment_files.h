// Saving the embedded files of PDF file-attachment annotations for the user
// to open. The file name comes from the PDF, so it is never used as a path:
// only its last piece, cleaned, names a new file inside a folder that
// belongs to this process, and no existing file is ever replaced.
#pragma once

#include "runtime/strings.h"

namespace vn::pdfdoc {
class TvnPDFileAttachmentAnnot;
}

namespace vn::viewer {

// The name an attachment is saved under: the part of AFileName after its
// last '/' or '\', without control characters, surrounding blanks and
// trailing dots, cut to at most 120 characters (the extension kept);
// "attachment" when nothing usable is left ("", ".", "..").
String SafeAttachmentName(StringView AFileName);

// The folder attachments are saved into: one folder of this process in the
// user's temporary folder, open to the user alone, made on the first call
// and kept (the programs that open the files read them after the call).
// EFCreateError "Cannot create file "<path>". <reason>" when it cannot be
// made.
String AttachmentFolder();

// Writes the attachment's embedded bytes into a new file in AFolder named
// SafeAttachmentName(its file name); when that name is taken, " (2)",
// " (3)" ... goes before the extension. The file is readable and writable
// by the user only. Returns the file's path. EFCreateError when no file can
// be made; a failed write removes the file and passes the stream's error.
String SaveAttachmentFile(vn::pdfdoc::TvnPDFileAttachmentAnnot& AAnnot, const String& AFolder);

}  // namespace vn::viewer
