#include "wordmodel/word_parser.h"

#include <gtest/gtest-spi.h>
#include <gtest/gtest.h>

#include <string>

#include "wordmodel/paragraph.h"
#include "wordmodel/section.h"

namespace vn::wordmodel::word_parser_test {
namespace {

// A reader of the contract that records every call and fails the test when
// a call comes out of the contract's order: list definitions before the
// styles they link, the body before the mediator is filled, the body twice,
// or GetEnumerator before Sections.
class FakeWordReader : public TvnWordParser {
 public:
  explicit FakeWordReader(TvnDocumentMediator* AMediator) : TvnWordParser(AMediator) {
    Body.GetList().push_back(std::make_unique<TvnParagraph>());
    Body.GetList().push_back(std::make_unique<TvnParagraph>());
  }

  TvnStyleParser* GetStylesParser() override { return &Styles; }
  TvnMainDocumentParser* GetDocumentParser() override { return &Body; }
  TvnNumberParser* GetNumberParser() override { return &Numbers; }
  TvnThemeParser* GetThemeParser() override { return &Theme; }
  TvnSettingsParser* GetSettingsParser() override { return &Settings; }

  std::vector<std::string> Calls;

 private:
  void Require(bool ACondition, const std::string& AWhat) {
    if (!ACondition) ADD_FAILURE() << "reader contract broken: " << AWhat;
  }
  TvnDocumentMediator& Mediator() { return *FParsedDocumentElements; }
  bool Called(const std::string& ACall) const {
    for (const auto& call : Calls)
      if (call == ACall) return true;
    return false;
  }

  struct StyleReader : TvnStyleParser {
    explicit StyleReader(FakeWordReader& AOwner) : Owner(AOwner) {}
    TvnStyleList GetEnumerator() override {
      Owner.Calls.push_back("styles");
      TvnStyleList list;
      auto normal = std::make_unique<TvnStyle>(u"Normal");
      normal->SetDefaultStyle(true);
      list.push_back(std::move(normal));
      auto listStyle = std::make_unique<TvnStyle>(u"Bullets");
      listStyle->SetStyleType(TvnStyleType::stNumbering);
      list.push_back(std::move(listStyle));
      return list;
    }
    std::shared_ptr<TvnParagraphProperties> GetDocDefaultParagraphStyle() override {
      Owner.Calls.push_back("default paragraph");
      return std::make_shared<TvnParagraphProperties>();
    }
    std::shared_ptr<TvnRunProperties> GetDocDefaultRunStyle() override {
      Owner.Calls.push_back("default run");
      return nullptr;
    }
    FakeWordReader& Owner;
  };

  struct NumberReader : TvnNumberParser {
    explicit NumberReader(FakeWordReader& AOwner) : Owner(AOwner) {}
    TvnNumberList GetEnumerator() override {
      Owner.Calls.push_back("numbers");
      // An abstract list takes its levels from the numbering style.
      Owner.Require(Owner.Mediator().GetWordStyles()->StyleExists(u"Bullets"),
                    "list definitions read before the styles they link");
      // The fake registers identifiers only: the list classes are the
      // list module's.
      Owner.Mediator().GetAbstractNumbers().emplace(0, nullptr);
      Owner.Mediator().GetConcreteNumbers().emplace(1, nullptr);
      return {};
    }
    FakeWordReader& Owner;
  };

  struct ThemeReader : TvnThemeParser {
    explicit ThemeReader(FakeWordReader& AOwner) : Owner(AOwner) {}
    std::vector<TvnThemeFont> GetMajorThemeFonts() override {
      Owner.Calls.push_back("major fonts");
      return {{u"Cambria", u"latin"}, {u"Nameless", u""}};
    }
    std::vector<TvnThemeFont> GetMinorThemeFonts() override {
      Owner.Calls.push_back("minor fonts");
      return {{u"Calibri", u"latin"}, {u"MS Mincho", u"Jpan"}};
    }
    FakeWordReader& Owner;
  };

  struct SettingsReader : TvnSettingsParser {
    SettingsReader() {
      FDefaultTabStop = 48.5;
      FEvenOddHeaders = true;
    }
  };

  struct BodyReader : TvnMainDocumentParser {
    explicit BodyReader(FakeWordReader& AOwner) : Owner(AOwner) {}
    std::optional<std::vector<TvnSection*>> Sections() override {
      Owner.Require(!Owner.Called("sections"), "Sections asked twice");
      Owner.Require(!Owner.Called("body"), "Sections asked after the body");
      Owner.Require(Owner.Called("numbers") && Owner.Mediator().GetWordStyles()->GetCount() > 0 &&
                        Owner.Mediator().GetDefaultTabStop() != 0,
                    "body read before the mediator was filled");
      Owner.Calls.push_back("sections");
      return std::vector<TvnSection*>{&Section};
    }
    std::vector<TvnDocItem*> GetEnumerator() override {
      Owner.Require(Owner.Called("sections"), "body read before Sections");
      Owner.Require(!Owner.Called("body"), "body read twice");
      Owner.Calls.push_back("body");
      std::vector<TvnDocItem*> items;
      for (const auto& item : FList) items.push_back(item.get());
      return items;
    }
    std::vector<TvnParagraph*> Paragraphs() override {
      Owner.Require(false, "the layout asks the body reader for nothing but Sections and GetEnumerator");
      return {};
    }
    FakeWordReader& Owner;
    TvnSection Section;
  };

  StyleReader Styles{*this};
  NumberReader Numbers{*this};
  ThemeReader Theme{*this};
  SettingsReader Settings;
  BodyReader Body{*this};
};

TEST(ReaderContract, FakeReaderFillsTheMediatorThenDeliversTheBody) {
  TvnDocumentMediator mediator(nullptr);
  FakeWordReader reader(&mediator);
  FillMediatorFromReader(reader, mediator);
  TvnWordBody body = ReadWordBody(reader);

  EXPECT_EQ(reader.Calls, (std::vector<std::string>{"major fonts", "minor fonts", "default paragraph", "default run",
                                                    "styles", "numbers", "sections", "body"}));
  EXPECT_EQ(mediator.GetMajorFontGroup().size(), 1u) << "a theme font without script is skipped";
  EXPECT_EQ(mediator.GetMajorFontGroup().at(u"latin").Typeface, u"Cambria");
  EXPECT_EQ(mediator.GetMinorFontGroup().at(u"Jpan").Typeface, u"MS Mincho");
  EXPECT_NE(mediator.GetWordStyles()->GetDocDefaultParagraphProperty(), nullptr);
  EXPECT_EQ(mediator.GetWordStyles()->GetDefaultStyle(TvnStyleType::stParagraph)->GetStyleID(), u"Normal");
  EXPECT_EQ(mediator.GetConcreteNumbers().count(1), 1u);
  EXPECT_EQ(mediator.GetDefaultTabStop(), 48) << "48.5 rounds half to even";
  EXPECT_TRUE(mediator.GetEvenOddHeaders());
  EXPECT_EQ(body.Sections.size(), 1u);
  EXPECT_EQ(body.Items.size(), 2u);
}

TEST(ReaderContract, FakeReaderFailsWhenTheOrderIsBroken) {
  EXPECT_NONFATAL_FAILURE(
      {
        TvnDocumentMediator mediator(nullptr);
        FakeWordReader reader(&mediator);
        ReadWordBody(reader);
      },
      "body read before the mediator was filled");
  EXPECT_NONFATAL_FAILURE(
      {
        TvnDocumentMediator mediator(nullptr);
        FakeWordReader reader(&mediator);
        FillMediatorFromReader(reader, mediator);
        ReadWordBody(reader);
        reader.GetDocumentParser()->GetEnumerator();
      },
      "body read twice");
  EXPECT_NONFATAL_FAILURE(
      {
        TvnDocumentMediator mediator(nullptr);
        FakeWordReader reader(&mediator);
        FillMediatorFromReader(reader, mediator);
        reader.GetDocumentParser()->GetEnumerator();
      },
      "body read before Sections");
  EXPECT_NONFATAL_FAILURE(
      {
        TvnDocumentMediator mediator(nullptr);
        FakeWordReader reader(&mediator);
        reader.GetNumberParser()->GetEnumerator();
      },
      "list definitions read before the styles they link");
}

TEST(ReaderContract, DocumentThatRegistersItsOwnStylesSkipsTheStyleStep) {
  TvnDocumentMediator mediator(nullptr);
  FakeWordReader reader(&mediator);
  for (auto& style : reader.GetStylesParser()->GetEnumerator()) mediator.GetWordStyles()->Add(std::move(style));
  reader.Calls.clear();
  FillMediatorFromReader(reader, mediator, false);
  EXPECT_EQ(reader.Calls, (std::vector<std::string>{"major fonts", "minor fonts", "numbers"}));
}

// A reader like the RTF one: only a body reader, whose body comes as
// sections.
class SectionsOnlyReader : public TvnWordParser {
 public:
  using TvnWordParser::TvnWordParser;
  TvnStyleParser* GetStylesParser() override { return nullptr; }
  TvnMainDocumentParser* GetDocumentParser() override { return &Body; }
  TvnNumberParser* GetNumberParser() override { return nullptr; }
  TvnThemeParser* GetThemeParser() override { return nullptr; }
  TvnSettingsParser* GetSettingsParser() override { return nullptr; }

  struct Reader : TvnMainDocumentParser {
    std::optional<std::vector<TvnSection*>> Sections() override {
      if (EmptySections) return std::vector<TvnSection*>{};
      return std::nullopt;
    }
    std::vector<TvnDocItem*> GetEnumerator() override {
      std::vector<TvnDocItem*> items;
      for (const auto& item : FList) items.push_back(item.get());
      return items;
    }
    bool EmptySections = false;
  } Body;
};

TEST(ReaderContract, SectionsComeFromTheBodyWhenTheReaderGivesNone) {
  TvnDocumentMediator mediator(nullptr);
  SectionsOnlyReader reader(&mediator);
  reader.Body.GetList().push_back(std::make_unique<TvnSection>());
  reader.Body.GetList().push_back(std::make_unique<TvnSection>());
  FillMediatorFromReader(reader, mediator);
  EXPECT_EQ(mediator.GetWordStyles()->GetCount(), 0);
  EXPECT_EQ(ReadWordBody(reader).Sections.size(), 2u);

  reader.Body.EmptySections = true;
  TvnWordBody body = ReadWordBody(reader);
  EXPECT_TRUE(body.Sections.empty()) << "an empty list means no sections";
  EXPECT_EQ(body.Items.size(), 2u);
}

TEST(ReaderContract, OperationsAFormatDoesNotImplementRaiseAbstractError) {
  TvnDocumentMediator mediator(nullptr);
  TvnWordParser reader(&mediator);
  EXPECT_EQ(reader.GetParsedDocumentElements(), &mediator);
  EXPECT_THROW(reader.GetStylesParser(), vn::EAbstractError);
  EXPECT_THROW(reader.GetSettingsParser(), vn::EAbstractError);
  TvnMainDocumentParser body;
  EXPECT_THROW(body.Sections(), vn::EAbstractError);
  TvnThemeParser theme;
  EXPECT_THROW(theme.GetMinorThemeFonts(), vn::EAbstractError);
  TvnNumberParser numbers;
  EXPECT_THROW(numbers.ConcreteNumbers(), vn::EAbstractError);
}

}  // namespace
}  // namespace vn::wordmodel::word_parser_test
