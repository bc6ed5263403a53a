// A small, lenient DOM parser and writer for the XML parts of a DOCX package.
//
// The parser reads through the buffered text reader in one pass and builds a
// tree of nodes. Names are kept as written, prefix included, and compared as
// written (or ASCII case-insensitively under doCaseInsensitive): namespaces
// are not resolved, so readers ask for "w:p" or "a:blip". An element keeps
// the text that directly follows its start tag in `Text`; later text runs
// between its children become ntText children. Text and attribute values
// are stored decoded: the five predefined entities and numeric character
// references (&#N; &#xN;) are replaced, line ends become "\n", and blanks
// inside attribute values become spaces. Text made only of blanks is dropped
// unless doPreserveWhiteSpace is set or an xml:space="preserve" scope holds
// it.
//
// Malformed input is never reported: unbalanced or stray end tags, bad
// attribute syntax and unknown entities give whatever tree the rules give
// (an unknown entity, such as one declared in a DOCTYPE, stays as written:
// nothing is ever expanded or fetched). Input beyond the parser's limits
// (nesting deeper than kMaxDepth, more than kMaxAttributes attributes on one
// element) raises EXmlError instead of returning a partial tree.
//
// Ownership: a node owns its attribute list and its children; the document
// owns the root, whose Parent is the root itself and whose children are the
// top-level nodes. Detached nodes (CreateNode) belong to the caller until
// they are added somewhere.
#pragma once

#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <memory>
#include <string>
#include <vector>

#include "ooxml/text_encoding.h"
#include "ooxml/text_stream_reader.h"
#include "runtime/containers.h"
#include "runtime/exceptions.h"
#include "runtime/streams.h"
#include "runtime/strings.h"

namespace vn::ooxml {

enum class TXmlNodeType {
  ntElement,
  ntText,
  ntCData,
  ntProcessingInstr,
  ntComment,
  ntDocument,
  ntDocType,
  ntXmlDecl,
};
// An empty set in a find operation means any type.
using TXmlNodeTypes = EnumSet<TXmlNodeType>;

enum class TXmlAttributeType {
  atValue,   // written as name="value"
  atSingle,  // a bare name without a value
};

enum class TXmlOption {
  doNodeAutoIndent,
  doCompact,
  doParseProcessingInstr,
  doPreserveWhiteSpace,
  doCaseInsensitive,
  doWriteBOM,
};
using TXmlOptions = EnumSet<TXmlOption>;

// Input beyond the parser's limits.
VN_DECLARE_EXCEPTION(EXmlError, Exception);

class TXmlNode;
class TXmlVerySimple;
class XmlTextWriter;

class TXmlAttribute {
 public:
  TXmlAttribute() = default;

  String Name;
  TXmlAttributeType AttributeType = TXmlAttributeType::atSingle;

  const String& Value() const { return value_; }
  // Setting a value makes the attribute atValue.
  void SetValue(StringView Value);

  // The name, and unless atSingle, "=" and the escaped value in double quotes.
  String AsString() const;
  // "&" as "&amp;" first, then "<", ">", "\"" as "&lt;", "&gt;", "&quot;";
  // tab, line feed and carriage return as character references, so that
  // they survive the blank normalisation of attribute values.
  static String Escape(StringView Value);

 private:
  String value_;
};

// The attributes of one node in document order.
class TXmlAttributeList {
 public:
  TXmlVerySimple* Document = nullptr;  // governs name comparison; may be null

  // Appends a new atSingle attribute.
  TXmlAttribute* Add(StringView Name);
  // The first attribute of that name, or nullptr.
  TXmlAttribute* Find(StringView Name) const;
  // Removes the first attribute of that name.
  void Delete(StringView Name);
  bool HasAttribute(StringView Name) const { return Find(Name) != nullptr; }
  // " " + AsString() of each attribute.
  String AsString() const;

  int Count() const { return static_cast<int>(items_.size()); }
  TXmlAttribute* Get(int Index) const;  // EArgumentOutOfRangeException
  void Clear() { items_.clear(); }
  void Reserve(size_t Count) { items_.reserve(Count); }
  auto begin() const { return items_.begin(); }
  auto end() const { return items_.end(); }

 private:
  std::vector<std::unique_ptr<TXmlAttribute>> items_;
};

// A list of nodes: the children of a node (owning, with that node as
// Parent) or the result of FindNodes (borrowing, Parent null).
class TXmlNodeList {
 public:
  explicit TXmlNodeList(bool OwnsObjects = true) : owns_(OwnsObjects) {}
  ~TXmlNodeList();
  TXmlNodeList(const TXmlNodeList&) = delete;
  TXmlNodeList& operator=(const TXmlNodeList&) = delete;

  TXmlVerySimple* Document = nullptr;
  TXmlNode* Parent = nullptr;

  // Appends a node, which the list takes over, and makes the list's parent
  // its parent. The adding operations raise EInvalidOperation on a
  // borrowing list.
  TXmlNode* Add(std::unique_ptr<TXmlNode> Value);
  // Appends a new node of this list's document.
  TXmlNode* Add(TXmlNodeType NodeType = TXmlNodeType::ntElement);
  TXmlNode* Add(StringView Name, TXmlNodeType NodeType = TXmlNodeType::ntElement);
  // Inserts a new node at `Position` (0..Count); the caller sets its parent.
  TXmlNode* Insert(StringView Name, int Position, TXmlNodeType NodeType = TXmlNodeType::ntElement);

  // The first node whose type is in NodeTypes and whose name matches.
  TXmlNode* Find(StringView Name, TXmlNodeTypes NodeTypes = {}) const;
  TXmlNode* FindNode(StringView Name, TXmlNodeTypes NodeTypes = {}) const { return Find(Name, NodeTypes); }
  // ... that also has the attribute AttrName (with the value AttrValue).
  TXmlNode* Find(StringView Name, StringView AttrName, TXmlNodeTypes NodeTypes = {}) const;
  TXmlNode* Find(StringView Name, StringView AttrName, StringView AttrValue, TXmlNodeTypes NodeTypes = {}) const;
  // A new borrowing list of all matches.
  std::unique_ptr<TXmlNodeList> FindNodes(StringView Name, TXmlNodeTypes NodeTypes = {}) const;
  bool HasNode(StringView Name, TXmlNodeTypes NodeTypes = {}) const { return Find(Name, NodeTypes) != nullptr; }

  // FirstChild and Get raise EArgumentOutOfRangeException "Argument out of
  // range" for an empty list or a bad index.
  TXmlNode* FirstChild() const { return Get(0); }
  TXmlNode* Get(int Index) const;
  // The neighbours of Node in this list; nullptr at either end or when Node
  // is not in it. NextSibling(nullptr) is the first node of a non-empty list.
  TXmlNode* NextSibling(const TXmlNode* Node) const;
  TXmlNode* PreviousSibling(const TXmlNode* Node) const;
  int IndexOf(const TXmlNode* Node) const;

  int Count() const { return static_cast<int>(items_.size()); }
  bool IsEmpty() const { return items_.empty(); }
  TXmlNode* Last() const { return items_.empty() ? nullptr : items_.back(); }
  void Clear();
  auto begin() const { return items_.begin(); }
  auto end() const { return items_.end(); }

 private:
  friend class TXmlNode;
  bool Matches(const TXmlNode* Node, StringView Name, TXmlNodeTypes NodeTypes) const;
  void Append(TXmlNode* Node);

  std::vector<TXmlNode*> items_;
  bool owns_;
};

class TXmlNode {
 public:
  explicit TXmlNode(TXmlNodeType NodeType = TXmlNodeType::ntElement);
  virtual ~TXmlNode() = default;
  TXmlNode(const TXmlNode&) = delete;
  TXmlNode& operator=(const TXmlNode&) = delete;

  TXmlAttributeList AttributeList;
  TXmlNodeList ChildNodes;
  String Name;
  String Text;
  TXmlNodeType NodeType;
  TXmlNode* Parent = nullptr;

  TXmlVerySimple* Document() const { return document_; }
  // Also sets the document of the node's two lists.
  void SetDocument(TXmlVerySimple* Value);
  const String& NodeName() const { return Name; }
  const String& NodeValue() const { return Text; }

  // Attributes. GetAttributeValue is empty for a missing attribute.
  String GetAttributeValue(StringView AttrName) const;
  TXmlNode* SetAttributeValue(StringView AttrName, StringView AttrValue) { return SetAttribute(AttrName, AttrValue); }
  // Finds or appends the attribute, makes it atValue and sets its value.
  TXmlNode* SetAttribute(StringView AttrName, StringView AttrValue);
  bool HasAttribute(StringView AttrName) const { return AttributeList.HasAttribute(AttrName); }

  // Searches among the direct children only.
  TXmlNode* Find(StringView Name, TXmlNodeTypes NodeTypes = {}) const { return ChildNodes.Find(Name, NodeTypes); }
  TXmlNode* Find(StringView Name, StringView AttrName, TXmlNodeTypes NodeTypes = {}) const {
    return ChildNodes.Find(Name, AttrName, NodeTypes);
  }
  TXmlNode* Find(StringView Name, StringView AttrName, StringView AttrValue, TXmlNodeTypes NodeTypes = {}) const {
    return ChildNodes.Find(Name, AttrName, AttrValue, NodeTypes);
  }
  std::unique_ptr<TXmlNodeList> FindNodes(StringView Name, TXmlNodeTypes NodeTypes = {}) const {
    return ChildNodes.FindNodes(Name, NodeTypes);
  }
  bool HasChild(StringView Name, TXmlNodeTypes NodeTypes = {}) const { return Find(Name, NodeTypes) != nullptr; }

  // Children.
  TXmlNode* AddChild(StringView AName, TXmlNodeType ANodeType = TXmlNodeType::ntElement);
  TXmlNode* InsertChild(StringView Name, int Position, TXmlNodeType NodeType = TXmlNodeType::ntElement);
  TXmlNode* FirstChild() const { return ChildNodes.FirstChild(); }  // range error when there is none
  TXmlNode* LastChild() const { return ChildNodes.Last(); }
  TXmlNode* NextSibling() const;
  TXmlNode* PreviousSibling() const;
  bool HasChildNodes() const { return !ChildNodes.IsEmpty(); }
  // Text not empty and no children.
  bool IsTextElement() const { return !Text.empty() && !HasChildNodes(); }

  TXmlNode* SetText(StringView Value);
  TXmlNode* SetNodeType(TXmlNodeType Value);
  // Empties text, attributes and children.
  void Clear();

  // The operations the DOCX reader calls (PXMLNode).
  // The first direct child element named AString, or nullptr.
  void FindChild(StringView AString, TXmlNode*& Anode) const;
  TXmlNode* SelectNode(StringView A) const;
  String GetAttribute(StringView AAtributeName) const { return GetAttributeValue(AAtributeName); }
  // Null when the attribute is missing or empty, else a new detached
  // element named AName whose Text is the value.
  void FindAttribute(StringView AName, std::unique_ptr<TXmlNode>& AVal) const;
  TXmlNode* CreateElement(StringView Astrng) { return AddChild(Astrng); }
  TXmlNode* AppendChild(std::unique_ptr<TXmlNode> Anode) { return ChildNodes.Add(std::move(Anode)); }
  TXmlNode* Getparent() const { return Parent; }
  void NeddToApppend() {}

 private:
  friend class TXmlNodeList;
  friend class TXmlVerySimple;
  TXmlVerySimple* document_ = nullptr;
  bool preserve_space_ = false;  // inside an xml:space="preserve" scope
  int level_ = 0;  // elements above and including this one while parsing
  mutable size_t index_hint_ = 0;  // where the node last was in its parent's list
};

using PXMLNode = TXmlNode;

class TXmlVerySimple {
 public:
  // Open elements at a time. Deeper input is refused, so that the tree and
  // every walk over it stays far from the stack's limits.
  static constexpr int kMaxDepth = 1024;
  // Attributes of one element; bounds the cost of attribute lookups.
  static constexpr int kMaxAttributes = 1024;
  static constexpr int kDefaultBufferSize = 4096;

  // An empty document with the header version "1.0", encoding "utf-8".
  TXmlVerySimple();
  virtual ~TXmlVerySimple();
  TXmlVerySimple(const TXmlVerySimple&) = delete;
  TXmlVerySimple& operator=(const TXmlVerySimple&) = delete;

  TXmlNode* Root() const { return root_.get(); }
  TXmlNode* Header() const { return FHeader; }
  TXmlNode* DocumentElement() const { return FDocumentElement; }
  // Stores an attached node (or nullptr) as the document element.
  void SetDocumentElement(TXmlNode* Value) { FDocumentElement = Value; }
  // Adds a detached node to the top level and makes it the document element.
  void SetDocumentElement(std::unique_ptr<TXmlNode> Value);
  TXmlNodeList& ChildNodes() const { return root_->ChildNodes; }

  bool SkipIndent = false;
  String NodeIndentStr = u"  ";
  String LineBreak = u"\r\n";
  TXmlOptions Options{TXmlOption::doNodeAutoIndent, TXmlOption::doWriteBOM};

  bool PreserveWhitespace() const { return Options.Contains(TXmlOption::doPreserveWhiteSpace); }
  void SetPreserveWhitespace(bool Value);

  // The header's "encoding", "version", "standalone" (empty without a
  // header); the setters create the header when needed.
  String GetEncoding() const;
  void SetEncoding(StringView Value);
  String GetVersion() const;
  void SetVersion(StringView Value);
  String GetStandAlone() const;
  void SetStandAlone(StringView Value);

  // Forgets the header and the document element and frees every node.
  virtual void Clear();
  // A new top-level node; the first element added so becomes the document
  // element.
  virtual TXmlNode* AddChild(StringView Name, TXmlNodeType NodeType = TXmlNodeType::ntElement);
  // A detached node of this document.
  virtual std::unique_ptr<TXmlNode> CreateNode(StringView Name, TXmlNodeType NodeType = TXmlNodeType::ntElement);

  // Reads a document from the stream's position. The encoding comes from a
  // byte-order mark, else from the UTF-16 form of "<?", else from the
  // encoding the document declares when this layer knows it; otherwise it is
  // UTF-8 when GetEncoding() is "utf-8" or empty, and the ANSI code page for
  // any other name left by an earlier load.
  virtual void LoadFromStream(TStream& Stream, int BufferSize = kDefaultBufferSize);
  virtual void LoadFromFile(const std::filesystem::path& Filename, int BufferSize = kDefaultBufferSize);
  // Writes in the declared encoding: UTF-8 (with a byte-order mark under
  // doWriteBOM) for "utf-8" or no declaration, UTF-16 with its mark for
  // "utf-16", the ANSI code page otherwise.
  virtual void SaveToStream(TStream& Stream);
  // The file appears whole or not at all (TMemoryStream::SaveToFile).
  virtual void SaveToFile(const std::filesystem::path& Filename);
  // Builds the tree from the reader (after Clear).
  virtual void Parse(TvnStreamReaderHelper& Reader);

  // The document as SaveToStream writes it; setting it loads the text.
  String GetText();
  void SetText(StringView Value);
  String Xml() { return GetText(); }
  void SetXml(StringView Value) { SetText(Value); }

  // The attribute escaping, then "'" as "&apos;".
  static String Escape(StringView Value);
  // Replaces the five predefined entity references and numeric character
  // references; any other reference stays as written.
  static String Unescape(StringView Value);
  // Splits Value at the earliest of StopChars: Result is the text before it,
  // Value keeps the rest (without the stop under DelStop). Without a stop,
  // Result is all of Value and Value becomes empty.
  static void ExtractText(String& Value, StringView StopChars, String& Result, bool DelStop);

 protected:
  virtual void ParseComment(TvnStreamReaderHelper& Reader, TXmlNode*& Parent);
  virtual void ParseDocType(TvnStreamReaderHelper& Reader, TXmlNode*& Parent);
  virtual void ParseProcessingInstr(TvnStreamReaderHelper& Reader, TXmlNode*& Parent);
  virtual void ParseCData(TvnStreamReaderHelper& Reader, TXmlNode*& Parent);
  // Adds a text run (as read, still escaped) to Parent as an ntText child,
  // unless it is only blanks outside a preserving scope.
  virtual void ParseText(StringView Line, TXmlNode* Parent);
  virtual TXmlNode* ParseElement(TvnStreamReaderHelper& Reader, TXmlNode*& Parent);
  // One tag's text without "<" and ">": an end tag closes Parent, anything
  // else adds an element to it (and opens it unless it ends with "/").
  virtual TXmlNode* ParseTag(StringView TagStr, TXmlNode*& Parent);
  virtual void ParseAttributes(StringView AttribStr, TXmlAttributeList& AttributeList);
  virtual void WriteNode(XmlTextWriter& Writer, StringView Prefix, TXmlNode* Node);
  virtual void WriteDocument(XmlTextWriter& Writer);
  virtual void CreateHeaderNode();

  TXmlNode* FHeader = nullptr;
  TXmlNode* FDocumentElement = nullptr;

 private:
  void Load(TStream& Stream, const TEncoding* Encoding, int BufferSize);
  const TEncoding* WriteEncoding() const;
  void SetHeaderAttribute(StringView Name, StringView Value);
  bool KeepsText(StringView Raw, const TXmlNode* Parent) const;

  std::unique_ptr<TXmlNode> root_;
};

// The text writer the document is written through: encodes into the
// stream in blocks, after an optional byte-order mark.
class XmlTextWriter {
 public:
  XmlTextWriter(TStream& Stream, const TEncoding* Encoding, bool WriteBOM);
  void Write(StringView Text);
  void Write(char16_t C) { Write(StringView(&C, 1)); }
  // Writes what is pending; the owner calls it once at the end (a
  // destructor must not throw the stream's write error).
  void Flush();

 private:
  TStream& stream_;
  const TEncoding* encoding_;
  String pending_;
  std::string bytes_;
};

}  // namespace vn::ooxml
