#include "ooxml/xml_document.h"

#include <algorithm>
#include <system_error>

namespace vn::ooxml {
namespace {

using Opt = TExtractTextOption;

bool IsBlank(char16_t c) { return c == u' ' || c == u'\n' || c == u'\r' || c == u'\t'; }

bool HasNonBlank(StringView s) {
  return std::any_of(s.begin(), s.end(), [](char16_t c) { return !IsBlank(c); });
}

// Drops leading spaces and control characters.
StringView TrimLeftControls(StringView s) {
  size_t i = 0;
  while (i < s.size() && s[i] <= u' ') ++i;
  return s.substr(i);
}

size_t FindBlank(StringView s) {
  for (size_t i = 0; i < s.size(); ++i)
    if (IsBlank(s[i])) return i;
  return StringView::npos;
}

bool IsXmlChar(uint32_t c) {
  return c == 0x9 || c == 0xA || c == 0xD || (c >= 0x20 && c <= 0xD7FF) || (c >= 0xE000 && c <= 0xFFFD) ||
         (c >= 0x10000 && c <= 0x10FFFF);
}

// Longest reference decoded, "&" and ";" included; longer ones (zero-padded
// numbers) stay as written.
constexpr size_t kMaxReference = 32;

// Decodes the reference that starts with the "&" at text[at] onto `out`;
// returns its length, 0 when it is not a predefined entity or a valid
// character reference.
size_t DecodeReference(StringView text, size_t at, String& out) {
  const size_t limit = std::min(text.size(), at + kMaxReference);
  size_t semi = at + 1;
  while (semi < limit && text[semi] != u';') ++semi;
  if (semi >= limit) return 0;
  const StringView name = text.substr(at + 1, semi - at - 1);
  const size_t length = semi - at + 1;
  static constexpr struct {
    std::u16string_view name;
    char16_t c;
  } kEntities[] = {{u"lt", u'<'}, {u"gt", u'>'}, {u"amp", u'&'}, {u"quot", u'"'}, {u"apos", u'\''}};
  for (const auto& e : kEntities) {
    if (name == e.name) {
      out.push_back(e.c);
      return length;
    }
  }
  if (name.size() < 2 || name[0] != u'#') return 0;
  const bool hex = name[1] == u'x';
  const StringView digits = name.substr(hex ? 2 : 1);
  if (digits.empty()) return 0;
  uint32_t value = 0;
  for (char16_t d : digits) {
    uint32_t v;
    if (d >= u'0' && d <= u'9') v = d - u'0';
    else if (hex && d >= u'a' && d <= u'f') v = d - u'a' + 10;
    else if (hex && d >= u'A' && d <= u'F') v = d - u'A' + 10;
    else return 0;
    value = value * (hex ? 16 : 10) + v;
    if (value > 0x10FFFF) return 0;
  }
  if (!IsXmlChar(value)) return 0;
  AppendCodePoint(out, value);
  return length;
}

// Appends text as read to `out`, decoded: references replaced and line ends
// ("\r\n", "\r") made "\n"; in an attribute value every literal blank
// becomes a space. A character reference stands for itself unchanged.
void AppendDecoded(StringView raw, String& out, bool attribute) {
  const StringView specials = attribute ? StringView(u"&\r\n\t") : StringView(u"&\r");
  size_t start = 0;
  size_t i = raw.find_first_of(specials);
  if (i == StringView::npos) {
    out.append(raw);
    return;
  }
  while (i < raw.size()) {
    const char16_t c = raw[i];
    if (c != u'&' && c != u'\r' && !(attribute && (c == u'\n' || c == u'\t'))) {
      ++i;
      continue;
    }
    out.append(raw.substr(start, i - start));
    if (c == u'&') {
      const size_t n = DecodeReference(raw, i, out);
      if (n == 0) out.push_back(u'&');
      i += n == 0 ? 1 : n;
    } else {
      if (c == u'\r' && i + 1 < raw.size() && raw[i + 1] == u'\n') ++i;
      out.push_back(attribute ? u' ' : u'\n');
      ++i;
    }
    start = i;
  }
  out.append(raw.substr(start));
}

String Decoded(StringView raw, bool attribute) {
  String out;
  AppendDecoded(raw, out, attribute);
  return out;
}

// Text in markup: "&", "<", ">" as entities and a carriage return as a
// reference, so that reading it back gives the same text; in an attribute
// value also the double quote, and tab and line feed as references (the
// reader turns literal blanks there into spaces).
String EscapeMarkup(StringView value, bool attribute) {
  if (value.find_first_of(attribute ? StringView(u"&<>\r\"\t\n") : StringView(u"&<>\r")) == StringView::npos)
    return String(value);
  String out;
  out.reserve(value.size() + 16);
  for (char16_t c : value) {
    switch (c) {
      case u'&': out += u"&amp;"; break;
      case u'<': out += u"&lt;"; break;
      case u'>': out += u"&gt;"; break;
      case u'\r': out += u"&#13;"; break;
      case u'"': out += attribute ? u"&quot;" : u"\""; break;
      case u'\t': out += attribute ? u"&#9;" : u"\t"; break;
      case u'\n': out += attribute ? u"&#10;" : u"\n"; break;
      default: out.push_back(c);
    }
  }
  return out;
}

// Calls fn with the text before the next "<" (a view into the reader's
// buffer, valid during the call) and consumes the text but not the "<".
// Returns whether a "<" follows; without one, fn gets the rest of the data.
template <typename Fn>
bool ReadTextBeforeTag(TvnStreamReaderHelper& reader, Fn fn) {
  size_t scanned = 0;
  for (;;) {
    StringView text = reader.Lookahead();
    const size_t lt = text.find(u'<', scanned);
    if (lt != StringView::npos) {
      fn(text.substr(0, lt));
      reader.Skip(lt);
      return true;
    }
    scanned = text.size();
    if (!reader.ReadMore()) {
      text = reader.Lookahead();
      fn(text);
      reader.Skip(text.size());
      return false;
    }
  }
}

// Calls fn with the text of a tag up to its ">", which is consumed. A ">"
// inside a quoted attribute value does not end the tag. Without a ">", fn
// gets the rest of the data.
template <typename Fn>
void ReadTag(TvnStreamReaderHelper& reader, Fn fn) {
  size_t scanned = 0;
  char16_t quote = 0;
  for (;;) {
    StringView text = reader.Lookahead();
    size_t i = scanned;
    for (; i < text.size(); ++i) {
      const char16_t c = text[i];
      if (quote) {
        if (c == quote) quote = 0;
      } else if (c == u'>') {
        break;
      } else if (c == u'"' || c == u'\'') {
        quote = c;
      }
    }
    if (i < text.size()) {
      fn(text.substr(0, i));
      reader.Skip(i + 1);
      return;
    }
    scanned = text.size();
    if (!reader.ReadMore()) {
      text = reader.Lookahead();
      fn(text);
      reader.Skip(text.size());
      return;
    }
  }
}

// The encoding of a document from its first bytes: a byte-order mark, the
// UTF-16 form of "<?", or the encoding its declaration names; nullptr when
// none of these tells.
const TEncoding* SniffEncoding(std::string_view head) {
  if (head.starts_with("\xEF\xBB\xBF")) return TEncoding::UTF8();
  if (head.starts_with("\xFF\xFE")) return TEncoding::Unicode();
  if (head.starts_with("\xFE\xFF")) return TEncoding::BigEndianUnicode();
  if (head.starts_with(std::string_view("<\0?\0", 4))) return TEncoding::Unicode();
  if (head.starts_with(std::string_view("\0<\0?", 4))) return TEncoding::BigEndianUnicode();
  if (!head.starts_with("<?xml") || head.size() < 6 || !IsBlank(static_cast<unsigned char>(head[5]))) return nullptr;
  head = head.substr(0, head.find("?>"));
  size_t at = head.find("encoding");
  if (at == std::string_view::npos) return nullptr;
  at += 8;
  auto skip_blanks = [&] {
    while (at < head.size() && IsBlank(static_cast<unsigned char>(head[at]))) ++at;
  };
  skip_blanks();
  if (at >= head.size() || head[at] != '=') return nullptr;
  ++at;
  skip_blanks();
  if (at >= head.size() || (head[at] != '"' && head[at] != '\'')) return nullptr;
  const size_t end = head.find(head[at], at + 1);
  if (end == std::string_view::npos) return nullptr;
  const TEncoding* declared = EncodingFromName(FromAscii(head.substr(at + 1, end - at - 1)));
  // The declaration was just read as single bytes, so the text is not
  // UTF-16 whatever it says: writers that build the text as a string first
  // leave "utf-16" in UTF-8 files.
  if (declared == TEncoding::Unicode() || declared == TEncoding::BigEndianUnicode()) return TEncoding::UTF8();
  return declared;
}

// Bytes looked at to find the encoding before reading.
constexpr size_t kSniffBytes = 1024;

}  // namespace

// ---------------------------------------------------------------------------
// Attributes

void TXmlAttribute::SetValue(StringView Value) {
  value_.assign(Value);
  AttributeType = TXmlAttributeType::atValue;
}

String TXmlAttribute::AsString() const {
  if (AttributeType == TXmlAttributeType::atSingle) return Name;
  String out = Name;
  out += u"=\"";
  out += Escape(value_);
  out += u'"';
  return out;
}

String TXmlAttribute::Escape(StringView Value) { return EscapeMarkup(Value, true); }

namespace {

bool NamesEqual(const TXmlVerySimple* document, StringView a, StringView b) {
  if (document && document->Options.Contains(TXmlOption::doCaseInsensitive)) return SameText(a, b);
  return a == b;
}

}  // namespace

TXmlAttribute* TXmlAttributeList::Add(StringView Name) {
  auto attribute = std::make_unique<TXmlAttribute>();
  attribute->Name.assign(Name);
  items_.push_back(std::move(attribute));
  return items_.back().get();
}

TXmlAttribute* TXmlAttributeList::Find(StringView Name) const {
  for (const auto& a : items_)
    if (NamesEqual(Document, a->Name, Name)) return a.get();
  return nullptr;
}

void TXmlAttributeList::Delete(StringView Name) {
  auto it = std::find_if(items_.begin(), items_.end(),
                         [&](const auto& a) { return NamesEqual(Document, a->Name, Name); });
  if (it != items_.end()) items_.erase(it);
}

String TXmlAttributeList::AsString() const {
  String out;
  for (const auto& a : items_) {
    out += u' ';
    out += a->AsString();
  }
  return out;
}

TXmlAttribute* TXmlAttributeList::Get(int Index) const {
  if (Index < 0 || Index >= Count()) throw EArgumentOutOfRangeException("Argument out of range");
  return items_[static_cast<size_t>(Index)].get();
}

// ---------------------------------------------------------------------------
// Node lists

TXmlNodeList::~TXmlNodeList() { Clear(); }

void TXmlNodeList::Clear() {
  if (owns_)
    for (TXmlNode* node : items_) delete node;
  items_.clear();
}

void TXmlNodeList::Append(TXmlNode* Node) {
  if (owns_) Node->index_hint_ = items_.size();
  // Most elements with children have a few: skip the smallest growth steps.
  if (items_.empty()) items_.reserve(4);
  items_.push_back(Node);
}

TXmlNode* TXmlNodeList::Add(std::unique_ptr<TXmlNode> Value) {
  if (!owns_) throw EInvalidOperation("A list of found nodes cannot take nodes over");
  TXmlNode* node = Value.release();
  node->Parent = Parent;
  Append(node);
  return node;
}

TXmlNode* TXmlNodeList::Add(TXmlNodeType NodeType) {
  auto node = std::make_unique<TXmlNode>(NodeType);
  node->SetDocument(Document);
  return Add(std::move(node));
}

TXmlNode* TXmlNodeList::Add(StringView Name, TXmlNodeType NodeType) {
  TXmlNode* node = Add(NodeType);
  node->Name.assign(Name);
  return node;
}

TXmlNode* TXmlNodeList::Insert(StringView Name, int Position, TXmlNodeType NodeType) {
  if (!owns_) throw EInvalidOperation("A list of found nodes cannot take nodes over");
  if (Position < 0 || Position > Count()) throw EArgumentOutOfRangeException("Argument out of range");
  auto node = std::make_unique<TXmlNode>(NodeType);
  node->SetDocument(Document);
  node->Name.assign(Name);
  node->index_hint_ = static_cast<size_t>(Position);
  items_.insert(items_.begin() + Position, node.get());
  return node.release();
}

bool TXmlNodeList::Matches(const TXmlNode* Node, StringView Name, TXmlNodeTypes NodeTypes) const {
  return (NodeTypes.Empty() || NodeTypes.Contains(Node->NodeType)) && NamesEqual(Document, Node->Name, Name);
}

TXmlNode* TXmlNodeList::Find(StringView Name, TXmlNodeTypes NodeTypes) const {
  for (TXmlNode* node : items_)
    if (Matches(node, Name, NodeTypes)) return node;
  return nullptr;
}

TXmlNode* TXmlNodeList::Find(StringView Name, StringView AttrName, TXmlNodeTypes NodeTypes) const {
  for (TXmlNode* node : items_)
    if (Matches(node, Name, NodeTypes) && node->AttributeList.Find(AttrName)) return node;
  return nullptr;
}

TXmlNode* TXmlNodeList::Find(StringView Name, StringView AttrName, StringView AttrValue,
                             TXmlNodeTypes NodeTypes) const {
  for (TXmlNode* node : items_) {
    if (!Matches(node, Name, NodeTypes)) continue;
    const TXmlAttribute* attribute = node->AttributeList.Find(AttrName);
    if (attribute && NamesEqual(Document, attribute->Value(), AttrValue)) return node;
  }
  return nullptr;
}

std::unique_ptr<TXmlNodeList> TXmlNodeList::FindNodes(StringView Name, TXmlNodeTypes NodeTypes) const {
  auto result = std::make_unique<TXmlNodeList>(false);
  result->Document = Document;
  for (TXmlNode* node : items_)
    if (Matches(node, Name, NodeTypes)) result->Append(node);
  return result;
}

TXmlNode* TXmlNodeList::Get(int Index) const {
  if (Index < 0 || Index >= Count()) throw EArgumentOutOfRangeException("Argument out of range");
  return items_[static_cast<size_t>(Index)];
}

int TXmlNodeList::IndexOf(const TXmlNode* Node) const {
  // A child usually sits where it was added, so sibling walks stay linear
  // in the number of siblings overall.
  const size_t hint = Node->index_hint_;
  if (hint < items_.size() && items_[hint] == Node) return static_cast<int>(hint);
  auto it = std::find(items_.begin(), items_.end(), Node);
  if (it == items_.end()) return -1;
  const size_t index = static_cast<size_t>(it - items_.begin());
  if (owns_) Node->index_hint_ = index;
  return static_cast<int>(index);
}

TXmlNode* TXmlNodeList::NextSibling(const TXmlNode* Node) const {
  if (!Node) return items_.empty() ? nullptr : items_.front();
  const int index = IndexOf(Node);
  return index < 0 || index + 1 >= Count() ? nullptr : items_[static_cast<size_t>(index) + 1];
}

TXmlNode* TXmlNodeList::PreviousSibling(const TXmlNode* Node) const {
  const int index = Node ? IndexOf(Node) : -1;
  return index <= 0 ? nullptr : items_[static_cast<size_t>(index) - 1];
}

// ---------------------------------------------------------------------------
// Nodes

TXmlNode::TXmlNode(TXmlNodeType NodeType) : NodeType(NodeType) { ChildNodes.Parent = this; }

void TXmlNode::SetDocument(TXmlVerySimple* Value) {
  document_ = Value;
  AttributeList.Document = Value;
  ChildNodes.Document = Value;
}

String TXmlNode::GetAttributeValue(StringView AttrName) const {
  const TXmlAttribute* attribute = AttributeList.Find(AttrName);
  return attribute ? attribute->Value() : String();
}

TXmlNode* TXmlNode::SetAttribute(StringView AttrName, StringView AttrValue) {
  TXmlAttribute* attribute = AttributeList.Find(AttrName);
  if (!attribute) attribute = AttributeList.Add(AttrName);
  attribute->Name.assign(AttrName);
  attribute->SetValue(AttrValue);
  return this;
}

TXmlNode* TXmlNode::AddChild(StringView AName, TXmlNodeType ANodeType) { return ChildNodes.Add(AName, ANodeType); }

TXmlNode* TXmlNode::InsertChild(StringView Name, int Position, TXmlNodeType NodeType) {
  TXmlNode* node = ChildNodes.Insert(Name, Position, NodeType);
  node->Parent = this;
  return node;
}

TXmlNode* TXmlNode::NextSibling() const {
  if (!Parent || Parent == this) return nullptr;
  return Parent->ChildNodes.NextSibling(this);
}

TXmlNode* TXmlNode::PreviousSibling() const {
  if (!Parent || Parent == this) return nullptr;
  return Parent->ChildNodes.PreviousSibling(this);
}

TXmlNode* TXmlNode::SetText(StringView Value) {
  Text.assign(Value);
  return this;
}

TXmlNode* TXmlNode::SetNodeType(TXmlNodeType Value) {
  NodeType = Value;
  return this;
}

void TXmlNode::Clear() {
  Text.clear();
  AttributeList.Clear();
  ChildNodes.Clear();
}

void TXmlNode::FindChild(StringView AString, TXmlNode*& Anode) const {
  Anode = Find(AString, {TXmlNodeType::ntElement});
}

TXmlNode* TXmlNode::SelectNode(StringView A) const { return Find(A, {TXmlNodeType::ntElement}); }

void TXmlNode::FindAttribute(StringView AName, std::unique_ptr<TXmlNode>& AVal) const {
  AVal.reset();
  const TXmlAttribute* attribute = AttributeList.Find(AName);
  if (!attribute || attribute->Value().empty()) return;
  AVal = std::make_unique<TXmlNode>(TXmlNodeType::ntElement);
  AVal->SetDocument(document_);
  AVal->Name.assign(AName);
  AVal->Text = attribute->Value();
}

// ---------------------------------------------------------------------------
// Document

TXmlVerySimple::TXmlVerySimple() : root_(std::make_unique<TXmlNode>(TXmlNodeType::ntDocument)) {
  root_->Parent = root_.get();
  root_->SetDocument(this);
  CreateHeaderNode();
}

TXmlVerySimple::~TXmlVerySimple() = default;

void TXmlVerySimple::CreateHeaderNode() {
  if (FHeader) return;
  FHeader = root_->InsertChild(u"xml", 0, TXmlNodeType::ntXmlDecl);
  FHeader->SetAttribute(u"version", u"1.0");
  FHeader->SetAttribute(u"encoding", u"utf-8");
}

void TXmlVerySimple::Clear() {
  FHeader = nullptr;
  FDocumentElement = nullptr;
  root_->ChildNodes.Clear();
}

TXmlNode* TXmlVerySimple::AddChild(StringView Name, TXmlNodeType NodeType) {
  TXmlNode* node = root_->AddChild(Name, NodeType);
  if (NodeType == TXmlNodeType::ntElement && !FDocumentElement) FDocumentElement = node;
  return node;
}

std::unique_ptr<TXmlNode> TXmlVerySimple::CreateNode(StringView Name, TXmlNodeType NodeType) {
  auto node = std::make_unique<TXmlNode>(NodeType);
  node->SetDocument(this);
  node->Name.assign(Name);
  return node;
}

void TXmlVerySimple::SetDocumentElement(std::unique_ptr<TXmlNode> Value) {
  FDocumentElement = Value ? root_->ChildNodes.Add(std::move(Value)) : nullptr;
}

void TXmlVerySimple::SetPreserveWhitespace(bool Value) {
  if (Value) Options.Include(TXmlOption::doPreserveWhiteSpace);
  else Options.Exclude(TXmlOption::doPreserveWhiteSpace);
}

String TXmlVerySimple::GetEncoding() const { return FHeader ? FHeader->GetAttributeValue(u"encoding") : String(); }
String TXmlVerySimple::GetVersion() const { return FHeader ? FHeader->GetAttributeValue(u"version") : String(); }
String TXmlVerySimple::GetStandAlone() const {
  return FHeader ? FHeader->GetAttributeValue(u"standalone") : String();
}

void TXmlVerySimple::SetHeaderAttribute(StringView Name, StringView Value) {
  CreateHeaderNode();
  FHeader->SetAttribute(Name, Value);
}

void TXmlVerySimple::SetEncoding(StringView Value) { SetHeaderAttribute(u"encoding", Value); }
void TXmlVerySimple::SetVersion(StringView Value) { SetHeaderAttribute(u"version", Value); }
void TXmlVerySimple::SetStandAlone(StringView Value) { SetHeaderAttribute(u"standalone", Value); }

// ---------------------------------------------------------------------------
// Reading

void TXmlVerySimple::Load(TStream& Stream, const TEncoding* Encoding, int BufferSize) {
  TvnStreamReaderHelper reader(&Stream, Encoding, false, BufferSize);
  Parse(reader);
}

void TXmlVerySimple::LoadFromStream(TStream& Stream, int BufferSize) {
  const int64_t start = Stream.Position();
  std::string head(kSniffBytes, '\0');
  const int64_t got = Stream.Read(head.data(), static_cast<int64_t>(head.size()));
  head.resize(got > 0 ? static_cast<size_t>(got) : 0);
  Stream.Seek(start, SeekOrigin::soBeginning);

  const TEncoding* encoding = SniffEncoding(head);
  if (!encoding) {
    const String declared = GetEncoding();
    encoding = declared.empty() || SameText(declared, u"utf-8") ? TEncoding::UTF8() : TEncoding::Default();
  }
  Load(Stream, encoding, BufferSize);
}

void TXmlVerySimple::LoadFromFile(const std::filesystem::path& Filename, int BufferSize) {
  TFileStream file(Filename, FileMode::fmOpenRead);
  LoadFromStream(file, BufferSize);
}

bool TXmlVerySimple::KeepsText(StringView Raw, const TXmlNode* Parent) const {
  return PreserveWhitespace() || Parent->preserve_space_ || HasNonBlank(Raw);
}

void TXmlVerySimple::Parse(TvnStreamReaderHelper& Reader) {
  Clear();
  TXmlNode* parent = root_.get();
  for (;;) {
    const bool tag = ReadTextBeforeTag(Reader, [&](StringView text) {
      if (!text.empty()) ParseText(text, parent);
    });
    if (!tag) break;
    Reader.Skip(1);  // "<"
    if (Reader.EndOfStream()) break;
    const char16_t next = Reader.Lookahead()[0];
    if (next == u'!') {
      if (Reader.IsUppercaseText(u"!--")) ParseComment(Reader, parent);
      else if (Reader.IsUppercaseText(u"!DOCTYPE")) ParseDocType(Reader, parent);
      else if (Reader.IsUppercaseText(u"![CDATA[")) ParseCData(Reader, parent);
      else ParseElement(Reader, parent);
    } else if (next == u'?') {
      ParseProcessingInstr(Reader, parent);
    } else {
      TXmlNode* node = ParseElement(Reader, parent);
      // The first top-level element becomes the document element once it
      // is closed (a stray top-level end tag gives the root itself).
      if (!FDocumentElement && parent == root_.get()) FDocumentElement = node;
    }
  }
}

void TXmlVerySimple::ParseText(StringView Line, TXmlNode* Parent) {
  if (!KeepsText(Line, Parent)) return;
  TXmlNode* node = Parent->ChildNodes.Add(TXmlNodeType::ntText);
  AppendDecoded(Line, node->Text, false);
}

void TXmlVerySimple::ParseComment(TvnStreamReaderHelper& Reader, TXmlNode*& Parent) {
  const String text = Reader.ReadText(u"-->", {Opt::etoDeleteStopChar, Opt::etoStopString});
  Parent->ChildNodes.Add(TXmlNodeType::ntComment)->Text = text;
}

void TXmlVerySimple::ParseCData(TvnStreamReaderHelper& Reader, TXmlNode*& Parent) {
  const String text = Reader.ReadText(u"]]>", {Opt::etoDeleteStopChar, Opt::etoStopString});
  Parent->ChildNodes.Add(TXmlNodeType::ntCData)->Text = text;
}

void TXmlVerySimple::ParseDocType(TvnStreamReaderHelper& Reader, TXmlNode*& Parent) {
  // The declarations are kept as text and never acted on: no entity they
  // declare is expanded and no external subset is fetched.
  String text(TrimLeftControls(Reader.ReadText(u">[", {})));
  if (Reader.Read() == u'[') {
    text += u'[';
    text += Reader.ReadText(u"]", {Opt::etoDeleteStopChar});
    text += u']';
    text += Reader.ReadText(u">", {Opt::etoDeleteStopChar});
  }
  Parent->ChildNodes.Add(TXmlNodeType::ntDocType)->Text = std::move(text);
}

void TXmlVerySimple::ParseProcessingInstr(TvnStreamReaderHelper& Reader, TXmlNode*& Parent) {
  Reader.IncCharPos(1);  // "?"
  const String text = Reader.ReadText(u"?>", {Opt::etoDeleteStopChar, Opt::etoStopString});
  TXmlNode* container = Parent;
  TXmlNode* node;
  if (!text.empty() && text[0] == u'/') {
    node = container->ChildNodes.Add(TXmlNodeType::ntElement);  // not an end tag
  } else {
    node = ParseTag(text, Parent);
  }
  Parent = container;
  if (LowerCase(node->Name) == u"xml") {
    node->NodeType = TXmlNodeType::ntXmlDecl;
    FHeader = node;
  } else {
    node->NodeType = TXmlNodeType::ntProcessingInstr;
    if (!Options.Contains(TXmlOption::doParseProcessingInstr)) {
      node->AttributeList.Clear();
      node->Text = text;
    }
  }
}

TXmlNode* TXmlVerySimple::ParseElement(TvnStreamReaderHelper& Reader, TXmlNode*& Parent) {
  TXmlNode* node = nullptr;
  ReadTag(Reader, [&](StringView tag) { node = ParseTag(tag, Parent); });
  if (Parent != node) return node;
  if (node->level_ > kMaxDepth)
    throw EXmlError("XML elements nested more than " + std::to_string(kMaxDepth) + " levels deep");
  ReadTextBeforeTag(Reader, [&](StringView text) {
    if (KeepsText(text, node)) AppendDecoded(text, node->Text, false);
  });
  return node;
}

TXmlNode* TXmlVerySimple::ParseTag(StringView TagStr, TXmlNode*& Parent) {
  if (!TagStr.empty() && TagStr[0] == u'/') {
    // The name in an end tag is not compared with the open element.
    TXmlNode* closed = Parent;
    Parent = Parent->Parent;
    return closed;
  }
  TXmlNode* node = Parent->ChildNodes.Add(TXmlNodeType::ntElement);
  node->level_ = Parent->level_ + 1;
  const bool empty = !TagStr.empty() && TagStr.back() == u'/';
  if (empty) TagStr.remove_suffix(1);
  const size_t name_end = FindBlank(TagStr);
  node->Name.assign(TagStr.substr(0, name_end));
  if (name_end != StringView::npos && name_end + 1 < TagStr.size())
    ParseAttributes(TagStr.substr(name_end + 1), node->AttributeList);

  node->preserve_space_ = Parent->preserve_space_;
  if (const TXmlAttribute* space = node->AttributeList.Find(u"xml:space")) {
    if (space->Value() == u"preserve") node->preserve_space_ = true;
    else if (space->Value() == u"default") node->preserve_space_ = false;
  }
  if (!empty) Parent = node;
  return node;
}

void TXmlVerySimple::ParseAttributes(StringView AttribStr, TXmlAttributeList& AttributeList) {
  StringView rest = TrimLeftControls(AttribStr);
  const auto values = std::count(rest.begin(), rest.end(), u'=');
  AttributeList.Reserve(static_cast<size_t>(std::min<std::ptrdiff_t>(values, kMaxAttributes)));
  while (!rest.empty()) {
    if (AttributeList.Count() >= kMaxAttributes)
      throw EXmlError("XML element with more than " + std::to_string(kMaxAttributes) + " attributes");
    size_t name_end = 0;
    while (name_end < rest.size() && rest[name_end] != u'=' && !IsBlank(rest[name_end])) ++name_end;
    TXmlAttribute* attribute = AttributeList.Add(rest.substr(0, name_end));
    rest = TrimLeftControls(rest.substr(name_end));
    if (!rest.empty() && rest[0] == u'=') {
      rest.remove_prefix(1);
      attribute->AttributeType = TXmlAttributeType::atValue;
      // An unquoted value is skipped up to the next quote, whose text then
      // becomes the value.
      const size_t open = rest.find_first_of(u"\"'");
      if (open == StringView::npos) {
        rest = {};
      } else {
        const char16_t quote = rest[open];
        rest.remove_prefix(open + 1);
        const size_t close = rest.find(quote);
        attribute->SetValue(Decoded(rest.substr(0, close), true));
        rest = close == StringView::npos ? StringView() : rest.substr(close + 1);
      }
    }
    rest = TrimLeftControls(rest);
  }
}

// ---------------------------------------------------------------------------
// Writing

XmlTextWriter::XmlTextWriter(TStream& Stream, const TEncoding* Encoding, bool WriteBOM)
    : stream_(Stream), encoding_(Encoding) {
  if (WriteBOM) bytes_.assign(Encoding->GetPreamble());
}

void XmlTextWriter::Write(StringView Text) {
  pending_.append(Text);
  if (pending_.size() >= 1024) Flush();
}

void XmlTextWriter::Flush() {
  encoding_->Encode(pending_, bytes_);
  pending_.clear();
  stream_.WriteBuffer(bytes_.data(), static_cast<int64_t>(bytes_.size()));
  bytes_.clear();
}

const TEncoding* TXmlVerySimple::WriteEncoding() const {
  const String name = GetEncoding();
  if (name.empty()) return TEncoding::UTF8();
  const TEncoding* encoding = EncodingFromName(name);
  return encoding ? encoding : TEncoding::Default();
}

void TXmlVerySimple::SaveToStream(TStream& Stream) {
  const TEncoding* encoding = WriteEncoding();
  const bool bom = encoding == TEncoding::UTF8() ? Options.Contains(TXmlOption::doWriteBOM)
                                                 : !encoding->GetPreamble().empty();
  XmlTextWriter writer(Stream, encoding, bom);
  WriteDocument(writer);
  writer.Flush();
}

void TXmlVerySimple::SaveToFile(const std::filesystem::path& Filename) {
  TMemoryStream data;
  SaveToStream(data);
  data.SaveToFile(Filename);
}

void TXmlVerySimple::WriteDocument(XmlTextWriter& Writer) {
  if (Options.Contains(TXmlOption::doCompact)) LineBreak.clear();
  SkipIndent = false;
  for (TXmlNode* node : root_->ChildNodes) WriteNode(Writer, u"", node);
}

void TXmlVerySimple::WriteNode(XmlTextWriter& Writer, StringView Prefix, TXmlNode* Node) {
  auto open = [&] {
    const bool first = Node->Parent == root_.get() && root_->ChildNodes.NextSibling(nullptr) == Node;
    if (!first && !SkipIndent) {
      Writer.Write(LineBreak);
      Writer.Write(Prefix);
    }
    SkipIndent = false;
    Writer.Write(u'<');
  };
  switch (Node->NodeType) {
    case TXmlNodeType::ntText:
      Writer.Write(EscapeMarkup(Node->Text, false));
      SkipIndent = true;
      return;
    case TXmlNodeType::ntCData:
      // Character data like text: nothing may be added around it. A "]]>"
      // inside is split over two sections.
      Writer.Write(u"<![CDATA[");
      Writer.Write(StringReplaceAll(Node->Text, u"]]>", u"]]]]><![CDATA[>"));
      Writer.Write(u"]]>");
      SkipIndent = true;
      return;
    case TXmlNodeType::ntComment:
      open();
      Writer.Write(u"!--");
      Writer.Write(Node->Text);
      Writer.Write(u"-->");
      return;
    case TXmlNodeType::ntDocType:
      open();
      Writer.Write(u"!DOCTYPE ");
      Writer.Write(Node->Text);
      Writer.Write(u'>');
      return;
    case TXmlNodeType::ntXmlDecl:
    case TXmlNodeType::ntProcessingInstr:
      open();
      Writer.Write(u'?');
      if (Node->NodeType == TXmlNodeType::ntProcessingInstr && Node->AttributeList.Count() == 0) {
        Writer.Write(Node->Text);
      } else {
        Writer.Write(Node->Name);
        Writer.Write(Node->AttributeList.AsString());
      }
      Writer.Write(u"?>");
      return;
    case TXmlNodeType::ntElement:
    case TXmlNodeType::ntDocument:
      break;
  }
  open();
  Writer.Write(Node->Name);
  Writer.Write(Node->AttributeList.AsString());
  const bool children = Node->HasChildNodes();
  if (Node->Text.empty() && !children) {
    Writer.Write(u"/>");
    return;
  }
  Writer.Write(u'>');
  Writer.Write(EscapeMarkup(Node->Text, false));
  if (children && !Node->Text.empty()) SkipIndent = true;
  if (children) {
    const String prefix = Options.Contains(TXmlOption::doCompact) ? String() : String(Prefix) + NodeIndentStr;
    for (TXmlNode* child : Node->ChildNodes) WriteNode(Writer, prefix, child);
    if (!SkipIndent) {
      Writer.Write(LineBreak);
      Writer.Write(Prefix);
    }
  }
  Writer.Write(u"</");
  Writer.Write(Node->Name);
  Writer.Write(u'>');
}

String TXmlVerySimple::GetText() {
  TStringStream stream;
  SaveToStream(stream);
  String text = WriteEncoding()->GetString(stream.DataString());
  if (!text.empty() && text[0] == u'\uFEFF') text.erase(0, 1);
  return text;
}

void TXmlVerySimple::SetText(StringView Value) {
  TStringStream stream(TEncoding::UTF8()->GetBytes(Value));
  Load(stream, TEncoding::UTF8(), kDefaultBufferSize);
}

// ---------------------------------------------------------------------------
// Text helpers

String TXmlVerySimple::Escape(StringView Value) {
  return StringReplaceAll(TXmlAttribute::Escape(Value), u"'", u"&apos;");
}

String TXmlVerySimple::Unescape(StringView Value) {
  String out;
  out.reserve(Value.size());
  size_t start = 0;
  for (size_t i = Value.find(u'&'); i != StringView::npos; i = Value.find(u'&', i)) {
    out.append(Value.substr(start, i - start));
    const size_t n = DecodeReference(Value, i, out);
    if (n == 0) out.push_back(u'&');
    i += n == 0 ? 1 : n;
    start = i;
  }
  out.append(Value.substr(start));
  return out;
}

void TXmlVerySimple::ExtractText(String& Value, StringView StopChars, String& Result, bool DelStop) {
  const size_t stop = Value.find_first_of(StopChars);
  if (stop == String::npos) {
    Result = std::move(Value);
    Value.clear();
    return;
  }
  Result = Value.substr(0, stop);
  Value.erase(0, stop + (DelStop ? 1 : 0));
}

}  // namespace vn::ooxml
