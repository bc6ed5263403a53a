// Exception trees of the document framework. ExvnException is the root of
// document and format errors; EBrisquel the root of the PDF object layer's
// errors (that layer declares its descendants); EImageExceptions the root of
// image-format errors. Classes of the same name in other trees are other
// types.
#pragma once

#include "runtime/exceptions.h"

namespace vn::framework {

VN_DECLARE_EXCEPTION(ExvnException, Exception);
VN_DECLARE_EXCEPTION(EDOCXExceptions, ExvnException);
VN_DECLARE_EXCEPTION(ExFileNotFound, EDOCXExceptions);
VN_DECLARE_EXCEPTION(ExFileOpenError, EDOCXExceptions);
VN_DECLARE_EXCEPTION(ExFileCreateError, ExvnException);
VN_DECLARE_EXCEPTION(ExPasswordRequired, ExvnException);
VN_DECLARE_EXCEPTION(ExBadPDFAction, ExvnException);
VN_DECLARE_EXCEPTION(ExBadPDFAnnotation, ExvnException);
VN_DECLARE_EXCEPTION(ExBadPDFPage, ExvnException);
VN_DECLARE_EXCEPTION(ExInvalidPageError, ExvnException);
VN_DECLARE_EXCEPTION(ExInvalidBuffer, ExvnException);
VN_DECLARE_EXCEPTION(ExInvalidStream, ExvnException);
VN_DECLARE_EXCEPTION(ExOutofMemory, ExvnException);
VN_DECLARE_EXCEPTION(ExCompressionError, ExvnException);
VN_DECLARE_EXCEPTION(ExInvalidFileID, ExvnException);
VN_DECLARE_EXCEPTION(ExInvalidKeyLen, ExvnException);

VN_DECLARE_EXCEPTION(EBrisquel, Exception);

VN_DECLARE_EXCEPTION(EImageExceptions, Exception);
VN_DECLARE_EXCEPTION(ExInvalidImageFormat, EImageExceptions);

}  // namespace vn::framework
