#include "pdf/objects.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <functional>
#include <map>

#include "pdf/exceptions.h"
#include "runtime/exceptions.h"
#include "runtime/streams.h"

namespace vn::pdf::objects_test {
namespace {

// A document holding indirect objects by number.
class FakeDoc : public TvnPDDocumentIntf {
 public:
  TvnPDBaseObject* GetObject(int64_t n) override {
    auto it = objects.find(n);
    return it == objects.end() ? nullptr : it->second.get();
  }
  std::map<int64_t, std::unique_ptr<TvnPDBaseObject>> objects;
};

std::unique_ptr<TvnPDBaseObject> Int(int64_t v) { return std::make_unique<TvnPDInteger>(v); }
std::unique_ptr<TvnPDBaseObject> Name(const char* v) { return std::make_unique<TvnPDName>(v); }

Ref<TvnStream> MemoryStreamOf(const std::string& bytes) {
  return MakeRef<TvnMemoryStream>(new TMemoryStream(std::vector<uint8_t>(bytes.begin(), bytes.end())), 0, 0, false,
                                  true);
}

TEST(PDObjects, WrittenForms) {
  struct Case {
    const char* what;
    std::function<std::unique_ptr<TvnPDBaseObject>()> make;
    std::string text;
  } cases[] = {
      {"null", [] { return std::make_unique<TvnPDNull>(); }, "null"},
      {"true", [] { return std::make_unique<TvnPDBoolean>(true); }, "true"},
      {"false", [] { return std::make_unique<TvnPDBoolean>(false); }, "false"},
      {"integer", [] { return Int(-5); }, "-5"},
      {"64-bit integer", [] { return Int(3000000000LL); }, "3000000000"},
      {"real", [] { return std::make_unique<TvnPDReal>(2.5); }, "2.5"},
      {"small real", [] { return std::make_unique<TvnPDReal>(0.00001); }, "0.00001"},
      {"large real", [] { return std::make_unique<TvnPDReal>(1e20); }, "100000000000000000000"},
      {"whole real", [] { return std::make_unique<TvnPDReal>(-3.0); }, "-3"},
      {"name", [] { return Name("Type"); }, "/Type"},
      {"name with blank", [] { return Name("A#20B"); }, "/A#20B"},
      {"name with #41", [] { return Name("A#41B"); }, "/AAB"},
      {"name with bytes", [] { return Name("caf#E9"); }, "/caf#E9"},
      {"set name keeps #",
       [] {
         auto n = std::make_unique<TvnPDName>("x");
         n->SetName("A#B");
         return n;
       },
       "/A#23B"},
      {"blank name", [] { return Name("   "); }, "/   "},
      {"empty name", [] { return Name(""); }, "/"},
      {"literal string", [] { return std::make_unique<TvnPDString>("a(b)c\\"); }, "(a\\(b\\)c\\\\)"},
      {"string controls", [] { return std::make_unique<TvnPDString>("\r\n\t\b\f\x01\xff"); },
       "(\\r\\n\\t\\b\\f\x01\xff)"},
      {"empty string", [] { return std::make_unique<TvnPDString>(""); }, "()"},
      {"hex string", [] { return std::make_unique<TvnPDString>("48656c", true); }, "<48656c>"},
      {"hex string keeps only digits", [] { return std::make_unique<TvnPDString>("48>>/x 65", true); }, "<4865>"},
      {"text string", [] { return TvnPDString::CreateForHex("AB"); }, "<FEFF00410042>"},
      {"reference", [] { return std::make_unique<TvnPDIndirectRef>(12, 0); }, "12 0 R"},
      {"empty array", [] { return std::make_unique<TvnPDArray>(); }, "[ ]"},
      {"array",
       [] {
         auto a = std::make_unique<TvnPDArray>();
         a->Add(Int(1));
         a->Add(Name("N"));
         a->Add(std::make_unique<TvnPDString>("s"));
         a->Add(nullptr);
         a->Add(std::make_unique<TvnPDReal>(0.5));
         return a;
       },
       "[ 1 /N (s)  0.5 ]"},
      {"empty dictionary", [] { return std::make_unique<TvnPDDictionary>(); }, "<<>>"},
      {"dictionary",
       [] {
         auto d = std::make_unique<TvnPDDictionary>();
         d->Add("Type", Name("Page"));
         auto kids = std::make_unique<TvnPDArray>();
         kids->Add(std::make_unique<TvnPDIndirectRef>(3, 0));
         d->Add("Kids", std::move(kids));
         auto inner = std::make_unique<TvnPDDictionary>();
         inner->Add("A B", std::make_unique<TvnPDBoolean>(true));
         d->Add("Res", std::move(inner));
         return d;
       },
       "<</Type /Page /Kids [ 3 0 R ] /Res <</A#20B true >> >>"},
      {"stream",
       [] {
         auto dict = std::make_unique<TvnPDDictionary>();
         dict->Add("Length", Int(3));
         return std::make_unique<TvnPDStream>(MemoryStreamOf("abc"), std::move(dict));
       },
       "<</Length 3 >>\r\nstream\r\nabc\r\nendstream"},
      {"command", [] { return std::make_unique<TvnPDCommand>("BT"); }, ""},
      {"error", [] { return std::make_unique<TvnPDError>(); }, ""},
      {"eof", [] { return std::make_unique<TvnPDEOF>(); }, ""},
  };
  for (const auto& c : cases) {
    auto obj = c.make();
    TMemoryStream out;
    auto window = MakeRef<TvnFileStream>(&out, 0, 0, false);
    EXPECT_EQ(obj->SaveToStream(*window), static_cast<int64_t>(c.text.size())) << c.what;
    EXPECT_EQ(out.View(), c.text) << c.what;
    EXPECT_EQ(obj->GetText(), c.text) << c.what << " (second write)";
  }
}

TEST(PDObjects, OnlyChangedWritesChangedObjectsOnly) {
  TMemoryStream out;
  auto window = MakeRef<TvnFileStream>(&out, 0, 0, false);
  TvnPDInteger i(7);
  EXPECT_EQ(i.SaveToStream(*window, true), 0);
  i.SetIsChanged(true);
  EXPECT_EQ(i.SaveToStream(*window, true), 1);
  TvnPDDictionary d;  // a new dictionary is changed
  EXPECT_TRUE(d.IsChanged());
  EXPECT_EQ(d.SaveToStream(*window, true), 4);
  EXPECT_EQ(out.View(), "7<<>>");
}

TEST(PDObjects, KindsAndTypeNames) {
  struct Case {
    std::unique_ptr<TvnPDBaseObject> obj;
    TvnPDObjTypes type;
    const char* name;
  };
  Case cases[] = {
      {std::make_unique<TvnPDBoolean>(true), TvnPDObjTypes::otBoolean, "boolean"},
      {Int(1), TvnPDObjTypes::otInteger, "integer"},
      {std::make_unique<TvnPDReal>(1), TvnPDObjTypes::otReal, "real"},
      {std::make_unique<TvnPDString>("s"), TvnPDObjTypes::otString, "AnsiString"},
      {Name("n"), TvnPDObjTypes::otName, "name"},
      {std::make_unique<TvnPDCommand>("q"), TvnPDObjTypes::otCommand, "command"},
      {std::make_unique<TvnPDNull>(), TvnPDObjTypes::otNull, "null"},
      {std::make_unique<TvnPDEOF>(), TvnPDObjTypes::otEOF, "eof"},
      {std::make_unique<TvnPDError>(), TvnPDObjTypes::otError, "error"},
      {std::make_unique<TvnPDArray>(), TvnPDObjTypes::otArray, "array"},
      {std::make_unique<TvnPDDictionary>(), TvnPDObjTypes::otDict, "dict"},
      {std::make_unique<TvnPDIndirectRef>(1, 0), TvnPDObjTypes::otIndirectRef, "indirect ref"},
      {std::make_unique<TvnPDStream>(nullptr), TvnPDObjTypes::otStream, "stream"},
  };
  for (auto& c : cases) {
    const TvnPDBaseObject& o = *c.obj;
    EXPECT_EQ(o.GetType(), c.type);
    EXPECT_EQ(o.GetTypeName(), c.name);
    int kinds = o.IsBoolean() + o.IsInteger() + o.IsReal() + o.IsString() + o.IsName() + o.IsNull() + o.IsArray() +
                o.IsDict() + o.IsStream() + o.IsIndirectRef() + o.IsCommand() + o.IsError() + o.IsEOF();
    EXPECT_EQ(kinds, 1) << c.name;
    int as = (o.AsBoolean() != nullptr) + (o.AsInteger() != nullptr) + (o.AsReal() != nullptr) +
             (o.AsString() != nullptr) + (o.AsName() != nullptr) + (o.AsArray() != nullptr) +
             (o.AsDict() != nullptr) + (o.AsStream() != nullptr) + (o.AsIndirectRef() != nullptr) +
             (o.AsCommand() != nullptr);
    bool has_class = !(o.IsNull() || o.IsError() || o.IsEOF());
    EXPECT_EQ(as, has_class ? 1 : 0) << c.name;
    EXPECT_EQ(o.IsNumber(), o.IsInteger() || o.IsReal());
  }
  EXPECT_EQ(std::string(TvnPDCommand("q").GetTypeName()), "command");
}

TEST(PDObjects, NumbersOfNewObjects) {
  EXPECT_EQ(TvnPDNull().GetObjNumber(), -1);
  EXPECT_EQ(TvnPDInteger(1).GetGenNumber(), -1);
  EXPECT_EQ(TvnPDInteger(1, 4, 2).GetObjNumber(), 4);
  EXPECT_EQ(TvnPDCommand("R").GetObjNumber(), 0);
  EXPECT_EQ(TvnPDError().GetGenNumber(), 0);
  EXPECT_EQ(TvnPDEOF().GetObjNumber(), 0);
  EXPECT_FALSE(TvnPDInteger(1).IsChanged());
  EXPECT_TRUE(TvnPDDictionary().IsChanged());
}

TEST(PDObjects, NameAndCommandTests) {
  TvnPDName n("Helvetica#2DBold");
  EXPECT_EQ(n.GetValue(), "Helvetica-Bold");
  EXPECT_TRUE(n.IsName("Helvetica-Bold"));
  EXPECT_TRUE(n.IsName("Helvetica#2DBold"));
  EXPECT_FALSE(n.IsName("helvetica-bold"));
  EXPECT_TRUE(TvnPDCommand("BT").IsCommand("BT"));
  EXPECT_FALSE(TvnPDCommand("BT").IsCommand("bt"));
  EXPECT_FALSE(Int(1)->IsName("1"));
}

TEST(PDObjects, TextStringsInHexForm) {
  auto s = TvnPDString::CreateForHex(StringView(u"\u0416A"));
  EXPECT_TRUE(s->IsHexString());
  EXPECT_EQ(s->GetValue(), "FEFF04160041");
  auto t = TvnPDString::CreateForHex("AB");
  EXPECT_EQ(t->GetHexToString(), "AB");
  t->SetHexToString("C");
  EXPECT_EQ(t->GetValue(), "FEFF0043");
  TvnPDString literal("x");
  literal.SetHexToString("y");
  EXPECT_EQ(literal.GetValue(), "y");
  TvnPDString hex("48656C6C6F", true);
  EXPECT_EQ(hex.GetHexToString(), "Hello");
}

TEST(PDDictionary, KeysKeepInsertionOrderAndAreUnique) {
  TvnPDDictionary d;
  d.Add("B", Int(1));
  d.Add("A", Int(2));
  EXPECT_EQ(d.GetText(), "<</B 1 /A 2 >>");
  ASSERT_NE(d.LookUp("A"), nullptr);
  EXPECT_EQ(d.GetText(), "<</B 1 /A 2 >>");  // a lookup does not reorder
  d.Add("B", Int(3));                        // a second Add replaces in place
  EXPECT_EQ(d.GetLength(), 2);
  EXPECT_EQ(d.GetText(), "<</B 3 /A 2 >>");
  d.SetKeyValue("B", Int(4));  // SetKeyValue removes, then adds at the end
  EXPECT_EQ(d.GetText(), "<</A 2 /B 4 >>");
  d.SetIsChanged(false);
  d.Remove("missing");
  EXPECT_FALSE(d.IsChanged());
  TvnPDName key("A");
  d.Remove(&key);
  EXPECT_TRUE(d.IsChanged());
  EXPECT_EQ(d.GetText(), "<</B 4 >>");
  d.Add(&key, Int(5));
  TvnPDInteger not_a_key(1);
  d.Add(&not_a_key, Int(6));  // adds nothing (the value is freed)
  EXPECT_EQ(d.GetText(), "<</B 4 /A 5 >>");
}

TEST(PDDictionary, IndexAccess) {
  TvnPDDictionary d;
  d.Add("A", Int(1));
  d.Add("B", Int(2));
  d.Add("C", Int(3));
  EXPECT_EQ(d.GetKey(1), "B");
  EXPECT_EQ(d.GetKey(3), "");
  EXPECT_EQ(d.GetKey(-1), "");
  EXPECT_EQ(d.GetValue(7), nullptr);
  d.SetKey(0, "C");  // renaming onto another key removes that entry
  EXPECT_EQ(d.GetText(), "<</C 1 /B 2 >>");
  d.SetValue(1, Name("X"));  // replaces and frees the old value
  EXPECT_EQ(d.GetText(), "<</C 1 /B /X >>");
  EXPECT_TRUE(d.LookUpClone("nothing")->IsNull());
  EXPECT_EQ(d.LookupRefObjClone("C")->AsInteger()->GetValue(), 1);
}

TEST(PDDictionary, LookupsFollowReferencesThroughTheDocument) {
  FakeDoc doc;
  doc.objects[5] = std::make_unique<TvnPDInteger>(42, 5, 0);
  auto page = std::make_unique<TvnPDDictionary>(5, 0, &doc);
  page->Add("Type", Name("Page"));
  doc.objects[6] = std::move(page);

  TvnPDDictionary d(&doc);
  d.Add("Len", std::make_unique<TvnPDIndirectRef>(5, 0));
  d.Add("Gone", std::make_unique<TvnPDIndirectRef>(99, 0));
  d.Add("P", std::make_unique<TvnPDIndirectRef>(6, 3));  // the generation is not compared
  EXPECT_EQ(d.LookUp("Len")->AsInteger()->GetValue(), 42);
  EXPECT_TRUE(d.LookupRefObj("Len")->IsIndirectRef());
  EXPECT_EQ(d.LookUp("Gone"), nullptr);
  EXPECT_TRUE(d.LookUpClone("Gone")->IsNull());
  EXPECT_TRUE(d.LookUp("P")->IsDict("Page"));
  EXPECT_EQ(d.GetValue(0)->AsInteger()->GetValue(), 42);

  TvnPDDictionary no_doc;
  no_doc.Add("Len", std::make_unique<TvnPDIndirectRef>(5, 0));
  EXPECT_TRUE(no_doc.LookUp("Len")->IsIndirectRef());

  TvnPDArray a(&doc);
  a.Add(std::make_unique<TvnPDIndirectRef>(5, 0));
  EXPECT_EQ(a.Get(0)->AsInteger()->GetValue(), 42);
  EXPECT_EQ(a.GetClone(0)->AsInteger()->GetValue(), 42);
  EXPECT_TRUE(a.GetRefObjClone(0)->IsIndirectRef());
  EXPECT_TRUE(a.GetClone(9)->IsNull());
}

TEST(PDContainers, IndirectRefsDepthFirstInOrder) {
  TvnPDDictionary d;
  d.Add("A", std::make_unique<TvnPDIndirectRef>(1, 0));
  auto arr = std::make_unique<TvnPDArray>();
  arr->Add(std::make_unique<TvnPDIndirectRef>(2, 0));
  arr->Add(nullptr);
  auto inner = std::make_unique<TvnPDDictionary>();
  inner->Add("X", std::make_unique<TvnPDIndirectRef>(3, 0));
  arr->Add(std::move(inner));
  arr->Add(std::make_unique<TvnPDIndirectRef>(4, 0));
  d.Add("B", std::move(arr));
  d.Add("C", std::make_unique<TvnPDIndirectRef>(5, 0));
  std::vector<TvnPDIndirectRef*> refs;
  d.GetIndirectRefs(refs);
  std::vector<int64_t> numbers;
  for (auto* r : refs) numbers.push_back(r->GetObjNumber());
  EXPECT_EQ(numbers, (std::vector<int64_t>{1, 2, 3, 4, 5}));
}

TEST(PDArray, EditingAndRanges) {
  TvnPDArray a;
  a.Add(Int(1));
  a.Add(Int(3));
  a.Insert(Int(2), 1);
  a.Insert(Int(4), 3);
  EXPECT_THROW(a.Insert(Int(9), 9), EListError);
  EXPECT_THROW(a.Insert(Int(9), -1), EListError);
  EXPECT_EQ(a.GetText(), "[ 1 2 3 4 ]");
  a.Remove(10);
  a.Remove(-1);
  a.Remove(0);
  EXPECT_EQ(a.GetText(), "[ 2 3 4 ]");
  a.SetIsChanged(false);
  a.SetValue(Name("x"), 1);
  EXPECT_FALSE(a.IsChanged());
  EXPECT_EQ(a.GetText(), "[ 2 /x 4 ]");
  EXPECT_EQ(a.Get(3), nullptr);
}

TEST(PDArray, SharedStorageCountsItsHolders) {
  auto first = std::make_unique<TvnPDArray>();
  first->Add(Int(1));
  Ref<TvnArray> storage = Ref<TvnArray>::Retain(first->GetArray());
  EXPECT_EQ(storage->RefCount(), 2);
  TvnPDArray second(storage);  // shares the storage through a copy of the reference
  EXPECT_EQ(first->GetArray()->RefCount(), 3);
  storage.reset();
  second.Add(Int(2));
  EXPECT_EQ(first->GetText(), "[ 1 2 ]");
  first.reset();
  EXPECT_EQ(second.GetArray()->RefCount(), 1);
  EXPECT_EQ(second.GetText(), "[ 1 2 ]");
}

TEST(PDClone, IsADeepCopy) {
  FakeDoc doc;
  TvnPDDictionary d(7, 0, &doc);
  auto arr = std::make_unique<TvnPDArray>(&doc);
  arr->Add(Int(1));
  d.Add("K", std::move(arr));
  d.Add("N", Name("A#2341"));  // the value holds "#"
  auto s = std::make_unique<TvnPDString>("t", 3, 0);
  s->SetIsWritten(true);
  d.Add("S", std::move(s));
  d.SetIsChanged(false);

  auto copy = d.Clone();
  ASSERT_TRUE(copy->IsDict());
  TvnPDDictionary* c = copy->AsDict();
  EXPECT_EQ(c->GetObjNumber(), 7);
  EXPECT_TRUE(c->IsChanged());
  EXPECT_NE(c->GetDict(), d.GetDict());
  EXPECT_EQ(c->GetParentDoc(), &doc);
  EXPECT_EQ(c->GetText(), d.GetText());
  EXPECT_EQ(c->LookUp("N")->AsName()->GetValue(), "A#41");
  EXPECT_TRUE(c->LookUp("S")->IsWritten());
  EXPECT_EQ(c->LookUp("S")->GetObjNumber(), 3);

  c->LookUp("K")->AsArray()->Add(Int(2));  // editing the copy leaves the original alone
  EXPECT_EQ(d.LookUp("K")->GetText(), "[ 1 ]");
  EXPECT_EQ(d.LookUp("K")->AsArray()->GetArray()->RefCount(), 1);

  TvnPDArray a(nullptr, 4, 1);
  a.Add(Int(1));
  auto ac = a.Clone();
  EXPECT_NE(ac->AsArray()->GetArray(), a.GetArray());
  EXPECT_EQ(ac->GetObjNumber(), 4);
  ac->AsArray()->Add(Int(2));
  EXPECT_EQ(a.GetText(), "[ 1 ]");

  auto ref = TvnPDIndirectRef(8, 2).Clone();
  EXPECT_EQ(ref->GetObjNumber(), 8);
  EXPECT_EQ(ref->GetGenNumber(), 2);
  EXPECT_EQ(TvnPDNull(3, 0).Clone()->GetObjNumber(), -1);
  EXPECT_EQ(TvnPDCommand("Tj").Clone()->AsCommand()->GetValue(), "Tj");
}

TEST(PDClone, StreamSharesItsBytesAndCopiesItsDictionary) {
  auto dict = std::make_unique<TvnPDDictionary>();
  dict->Add("Length", Int(3));
  TvnPDStream s(MemoryStreamOf("abc"), std::move(dict), 9, 0);
  auto copy = s.Clone();
  TvnPDStream* c = copy->AsStream();
  ASSERT_NE(c, nullptr);
  EXPECT_EQ(c->GetStream(), s.GetStream());
  EXPECT_EQ(s.GetStream()->RefCount(), 2);
  EXPECT_NE(c->GetDict(), s.GetDict());
  c->GetDict()->Add("Filter", Name("FlateDecode"));
  EXPECT_EQ(s.GetDict()->GetLength(), 1);
  copy.reset();
  EXPECT_EQ(s.GetStream()->RefCount(), 1);
}

TEST(PDAssign, CopiesValuesAndAppendsEntries) {
  TvnPDInteger i(1);
  i.Assign(TvnPDInteger(5, 3, 0));
  EXPECT_EQ(i.GetValue(), 5);
  EXPECT_EQ(i.GetObjNumber(), 3);
  TvnPDBoolean b(false);
  b.Assign(TvnPDBoolean(true, 3, 0));
  EXPECT_TRUE(b.GetValue());
  EXPECT_EQ(b.GetObjNumber(), -1);  // a boolean copies its value only
  TvnPDString s("x");
  s.Assign(TvnPDString("414243", true));
  EXPECT_TRUE(s.IsHexString());
  EXPECT_EQ(s.GetText(), "<414243>");

  FakeDoc doc_a, doc_b;
  TvnPDArray source(&doc_a);
  source.Add(Int(1));
  auto nested = std::make_unique<TvnPDDictionary>(&doc_a);
  nested->Add("X", Int(2));
  source.Add(std::move(nested));
  TvnPDArray target(&doc_b);
  target.Add(Name("keep"));
  target.Assign(source);
  EXPECT_EQ(target.GetText(), "[ /keep 1 <</X 2 >> ]");
  EXPECT_EQ(target.Get(2)->AsDict()->GetParentDoc(), &doc_b);
  target.Assign(target);  // from itself: each element once more
  EXPECT_EQ(target.GetLength(), 6);

  TvnPDDictionary d;
  d.Add("A", Int(1));
  TvnPDDictionary src;
  src.Add("A", Int(2));
  src.Add("B", Int(3));
  d.Assign(src);
  EXPECT_EQ(d.GetText(), "<</A 2 /B 3 >>");
}

TEST(PDAssign, StreamTakesTheUndecodedData) {
  FakeDoc doc;
  auto dict = std::make_unique<TvnPDDictionary>();
  dict->Add("Length", Int(3));
  TvnPDStream source(MemoryStreamOf("abc"), std::move(dict));
  TvnPDStream target(&doc);
  target.Assign(source);
  EXPECT_EQ(target.GetStream(), source.GetStream());
  EXPECT_EQ(source.GetStream()->RefCount(), 2);
  EXPECT_NE(target.GetDict(), source.GetDict());
  EXPECT_EQ(target.GetDict()->GetParentDoc(), &doc);
  EXPECT_EQ(target.GetText(), "<</Length 3 >>\r\nstream\r\nabc\r\nendstream");
}

TEST(PDGuards, SharedStorageContainingItselfEnds) {
  auto outer = std::make_unique<TvnPDDictionary>();
  outer->Add("A", Int(1));
  // A value that shares the outer storage makes a cycle.
  outer->Add("Self", std::make_unique<TvnPDDictionary>(Ref<TvnDict>::Retain(outer->GetDict())));
  EXPECT_EQ(outer->GetText(), "<</A 1 /Self <<>> >>");
  auto copy = outer->Clone();
  EXPECT_EQ(copy->GetText(), "<</A 1 /Self <<>> >>");
  std::vector<TvnPDIndirectRef*> refs;
  outer->GetIndirectRefs(refs);
  EXPECT_TRUE(refs.empty());
  outer->Remove("Self");  // breaks the cycle, so nothing leaks
}

TEST(PDGuards, DeepNestingIsBounded) {
  auto top = std::make_unique<TvnPDArray>();
  TvnPDArray* at = top.get();
  for (int i = 0; i < 1000; ++i) {
    auto next = std::make_unique<TvnPDArray>();
    TvnPDArray* raw = next.get();
    at->Add(std::move(next));
    at = raw;
  }
  at->Add(std::make_unique<TvnPDIndirectRef>(1, 0));
  // Writing and copying stop descending below the depth limit.
  std::string text = top->GetText();
  EXPECT_EQ(std::count(text.begin(), text.end(), '['), kMaxObjectDepth + 1);
  EXPECT_EQ(text.find('R'), std::string::npos);
  auto copy = top->Clone();
  EXPECT_EQ(copy->GetText(), text);
  std::vector<TvnPDIndirectRef*> refs;
  top->GetIndirectRefs(refs);
  EXPECT_TRUE(refs.empty());
}

class ThrowingReset : public TvnMemoryStream {
 public:
  ThrowingReset() : TvnMemoryStream(std::make_shared<TMemoryStream>(), 0, 0, false) {}
  void Reset() override { throw EReadError("Stream read error"); }
};

TEST(PDStream, ForwardsToItsByteStream) {
  TvnPDStream s(MemoryStreamOf("line one\nline two"), nullptr);
  EXPECT_EQ(s.LookChar(), 'l');
  EXPECT_EQ(s.ReadLine(12), std::string("line one\0\0\0\0", 12));
  EXPECT_EQ(s.GetPosition(), 9);
  std::string rest;
  EXPECT_EQ(s.Read(rest, 100), 8u);
  EXPECT_EQ(rest, "line two");
  s.Reset();
  EXPECT_EQ(s.GetChar(), 'l');
  EXPECT_EQ(s.GetStart(), 0);

  auto sub = s.MakeSubStream(5, 3, true, std::make_unique<TvnPDDictionary>());
  ASSERT_TRUE(sub);
  std::string part;
  sub->Read(part, 10);
  EXPECT_EQ(part, "one");
  EXPECT_EQ(s.GetStream()->RefCount(), 1);

  TvnPDStream fresh(nullptr);
  EXPECT_EQ(fresh.Write("abc"), 3u);
  fresh.Reset();
  std::string back;
  fresh.Read(back, 10);
  EXPECT_EQ(back, "abc");

  TvnPDStream broken(MakeRef<ThrowingReset>(), nullptr);
  try {
    broken.Reset();
    ADD_FAILURE() << "no exception";
  } catch (const ExInvalidStream& e) {
    EXPECT_STREQ(e.what(), "Invalid Stream");
  }
}

TEST(PDXRefEntry, Defaults) {
  TvnPDXRefEntry unfilled;
  EXPECT_EQ(unfilled.GetOffset(), -1);
  EXPECT_EQ(unfilled.GetGenNum(), -1);
  EXPECT_EQ(unfilled.GetEntryType(), TvnPDXRefEntrytype::xeFree);
  TvnPDXRefEntry e(5000000000LL, 0, TvnPDXRefEntrytype::xeUnCompressed);
  EXPECT_EQ(e.GetOffset(), 5000000000LL);
}

}  // namespace
}  // namespace vn::pdf::objects_test
