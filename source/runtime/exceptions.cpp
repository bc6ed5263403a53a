#include "runtime/exceptions.h"

namespace vn {

Exception::Exception(String message) : message_(std::move(message)), utf8_(ToUtf8(message_)) {}
Exception::Exception(const char* message_utf8) : Exception(std::string(message_utf8)) {}
Exception::Exception(const std::string& message_utf8)
    : message_(FromUtf8(message_utf8)), utf8_(message_utf8) {}

}  // namespace vn
