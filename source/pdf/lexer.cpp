#include "pdf/lexer.h"

#include <limits>

#include "pdf/text.h"

namespace vn::pdf {

namespace {

bool IsDigit(int c) { return c >= '0' && c <= '9'; }
bool IsOctal(int c) { return c >= '0' && c <= '7'; }

}  // namespace

TvnPDLexer::TvnPDLexer(Ref<TvnStream> stream) : stream_(std::move(stream)) {}

void TvnPDLexer::SkiptoNextLine() {
  for (;;) {
    int c = stream_->GetChar();
    if (c < 0 || c == '\n') return;
    if (c == '\r') {
      if (stream_->LookChar() == '\n') stream_->GetChar();
      return;
    }
  }
}

std::unique_ptr<TvnPDBaseObject> TvnPDLexer::GetObject() {
  int c;
  for (;;) {
    c = stream_->GetChar();
    if (c < 0) return std::make_unique<TvnPDEOF>();
    if (IsPDWhiteSpace(c)) continue;
    if (c == '%') {
      for (;;) {
        c = stream_->GetChar();
        if (c < 0) return std::make_unique<TvnPDEOF>();
        if (c == '\r' || c == '\n') break;
      }
      continue;
    }
    break;
  }
  switch (c) {
    case '(':
      return ReadLiteralString();
    case '<':
      if (stream_->LookChar() == '<') {
        stream_->GetChar();
        return std::make_unique<TvnPDCommand>("<<");
      }
      return ReadHexString();
    case '>':
      if (stream_->LookChar() == '>') {
        stream_->GetChar();
        return std::make_unique<TvnPDCommand>(">>");
      }
      return std::make_unique<TvnPDError>();
    case '[':
      return std::make_unique<TvnPDCommand>("[");
    case ']':
      return std::make_unique<TvnPDCommand>("]");
    case ')':
    case '{':
    case '}':
      return std::make_unique<TvnPDError>();
    case '/': {
      std::string word = ReadWord(-1);
      auto name = std::make_unique<TvnPDName>(word);
      return name;
    }
    default:
      break;
  }
  if (c == '-' || c == '.' || IsDigit(c)) return ReadNumber(c);
  std::string word = ReadWord(c);
  if (word == "true") return std::make_unique<TvnPDBoolean>(true);
  if (word == "false") return std::make_unique<TvnPDBoolean>(false);
  if (word == "null") return std::make_unique<TvnPDNull>();
  return std::make_unique<TvnPDCommand>(std::move(word));
}

std::string TvnPDLexer::ReadWord(int first) {
  std::string word;
  if (first >= 0) word.push_back(static_cast<char>(first));
  while (IsPDRegular(stream_->LookChar())) {
    int c = stream_->GetChar();
    if (word.size() < kMaxWordLength) word.push_back(static_cast<char>(c));
  }
  return word;
}

std::unique_ptr<TvnPDBaseObject> TvnPDLexer::ReadNumber(int first) {
  constexpr int64_t kMax = std::numeric_limits<int64_t>::max();
  bool negative = false;
  int64_t value = 0;
  auto accumulate = [&](int digit) {
    value = value > (kMax - digit) / 10 ? kMax : value * 10 + digit;
  };
  if (first == '-') {
    negative = true;
  } else if (first != '.') {
    accumulate(first - '0');
  }
  if (first != '.') {
    while (IsDigit(stream_->LookChar())) accumulate(stream_->GetChar() - '0');
    if (stream_->LookChar() != '.') return std::make_unique<TvnPDInteger>(negative ? -value : value);
    stream_->GetChar();
  }
  // Fraction: a "-" inside it is tolerated and ignored, as writers that
  // print negative fractions wrongly ("1.-5") expect.
  double d = static_cast<double>(value);
  double scale = 0.1;
  for (int c = stream_->LookChar(); IsDigit(c) || c == '-'; c = stream_->LookChar()) {
    stream_->GetChar();
    if (c == '-') continue;
    d += (c - '0') * scale;
    scale *= 0.1;
  }
  return std::make_unique<TvnPDReal>(negative ? -d : d);
}

std::unique_ptr<TvnPDBaseObject> TvnPDLexer::ReadHexString() {
  std::string text;
  for (;;) {
    int c = stream_->GetChar();
    if (c < 0 || c == '>') break;
    if (IsPDWhiteSpace(c)) continue;
    if (text.size() < kMaxStringLength) text.push_back(static_cast<char>(c));
  }
  return std::make_unique<TvnPDString>(std::move(text), true);
}

std::unique_ptr<TvnPDBaseObject> TvnPDLexer::ReadLiteralString() {
  std::string text;
  auto store = [&](int c) {
    if (text.size() < kMaxStringLength) text.push_back(static_cast<char>(c));
  };
  int depth = 1;
  for (;;) {
    int c = stream_->GetChar();
    if (c < 0) break;
    if (c == '(') {
      ++depth;
      store(c);
    } else if (c == ')') {
      if (--depth == 0) break;
      store(c);
    } else if (c == '\\') {
      c = stream_->GetChar();
      if (c < 0) break;
      switch (c) {
        case 'n': store('\n'); break;
        case 'r': store('\r'); break;
        case 't': store('\t'); break;
        case 'b': store('\b'); break;
        case 'f': store('\f'); break;
        case '\r':
          if (stream_->LookChar() == '\n') stream_->GetChar();
          break;
        case '\n':
          break;
        default:
          if (IsOctal(c)) {
            int v = c - '0';
            for (int i = 0; i < 2 && IsOctal(stream_->LookChar()); ++i) v = v * 8 + (stream_->GetChar() - '0');
            store(v & 0xFF);
          } else {
            store(c);  // "(", ")", "\" and any other byte stand for themselves
          }
      }
    } else {
      store(c);
    }
  }
  return std::make_unique<TvnPDString>(std::move(text), false);
}

}  // namespace vn::pdf
