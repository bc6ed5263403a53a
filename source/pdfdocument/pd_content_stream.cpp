#include "pdfdocument/pd_content_stream.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <exception>
#include <limits>

#include "pdf/lexer.h"
#include "pdf/streams.h"
#include "pdfdocument/color_spaces.h"
#include "pdfdocument/pd_page.h"
#include "pdfdocument/pd_resource.h"
#include "pdfdocument/pdf_stream_bytes_impl.h"

namespace vn::pdfdoc {

using vn::pdf::TvnPDBaseObject;

namespace {

// The streams running on this thread, outermost first: a stream already on
// the list is not run again (a form drawing itself, a pattern painting with
// itself, a glyph procedure showing its own glyph).
thread_local std::vector<const TvnPDBaseObject*> tActiveContent;
// Nested runs started under the outermost one: forms that each draw the
// next one twice would otherwise multiply the work level by level.
thread_local int64_t tNestedRuns = 0;

class ActiveContentGuard {
 public:
  explicit ActiveContentGuard(const TvnPDBaseObject* AObject) {
    if (tActiveContent.empty())
      tNestedRuns = 0;
    else if (++tNestedRuns > TvnPDContentStream::kMaxNestedRuns)
      return;
    if (static_cast<int>(tActiveContent.size()) >= TvnPDContentStream::kMaxNesting) return;
    if (AObject && std::find(tActiveContent.begin(), tActiveContent.end(), AObject) != tActiveContent.end()) return;
    tActiveContent.push_back(AObject);
    FEntered = true;
  }
  ~ActiveContentGuard() {
    if (FEntered) tActiveContent.pop_back();
  }
  ActiveContentGuard(const ActiveContentGuard&) = delete;
  ActiveContentGuard& operator=(const ActiveContentGuard&) = delete;
  bool Entered() const { return FEntered; }

 private:
  bool FEntered = false;
};

double NumberOf(const TvnPDBaseObject* AObject) {
  if (const auto* i = AObject->AsInteger()) return static_cast<double>(i->GetValue());
  if (const auto* r = AObject->AsReal()) return r->GetValue();
  return 0.0;
}

// A colour operand as a 16.16 component, saturated to the 32-bit range.
int32_t ColorCompOf(const TvnPDBaseObject* AObject) {
  constexpr double kLow = static_cast<double>(std::numeric_limits<int32_t>::min());
  constexpr double kHigh = static_cast<double>(std::numeric_limits<int32_t>::max());
  double v = 0.0;
  if (const auto* i = AObject->AsInteger()) {
    v = static_cast<double>(i->GetValue()) * 65536.0;
  } else if (const auto* r = AObject->AsReal()) {
    v = std::round(r->GetValue() * 65536.0);
  }
  if (!(v >= kLow)) return std::numeric_limits<int32_t>::min();
  if (v > kHigh) return std::numeric_limits<int32_t>::max();
  return static_cast<int32_t>(v);
}

bool KindMatches(char AKind, const TvnPDBaseObject* AObject) {
  switch (AKind) {
    case '0':
      return AObject->IsBoolean();
    case '1':
      return AObject->IsInteger();
    case '2':
      return AObject->IsNumber();
    case '3':
      return AObject->IsString();
    case '4':
      return AObject->IsName();
    case '5':
      return AObject->IsArray();
    case '6':
      return AObject->IsDict() || AObject->IsName();
    case '7':
      return AObject->IsNumber() || AObject->IsName();
    default:
      return true;
  }
}

bool IsWhite(uint8_t c) { return c == 0 || c == 9 || c == 10 || c == 12 || c == 13 || c == 32; }
bool IsDelimiter(uint8_t c) {
  return c == '(' || c == ')' || c == '<' || c == '>' || c == '[' || c == ']' || c == '{' || c == '}' || c == '/' ||
         c == '%';
}

// Where "EI" ends an inline image whose data start at AFrom: the first
// "EI" with white space before it and white space, a delimiter or the end
// of the data after it. AEnd receives the offset just past "EI"; the data
// end at the white space before it. -1 when there is none.
int64_t FindInlineImageEnd(const uint8_t* AData, int64_t ASize, int64_t AFrom, int64_t& AEnd) {
  for (int64_t i = std::max<int64_t>(AFrom, 1); i + 1 < ASize; ++i) {
    if (AData[i] != 'E' || AData[i + 1] != 'I' || !IsWhite(AData[i - 1])) continue;
    if (i + 2 < ASize && !IsWhite(AData[i + 2]) && !IsDelimiter(AData[i + 2])) continue;
    AEnd = i + 2;
    return i - 1;
  }
  return -1;
}

// The byte length of unfiltered inline image data, when the dictionary
// tells it; -1 otherwise.
int64_t InlineImageLength(const vn::pdf::TvnPDDictionary& ADict) {
  auto entry = [&](const char* ALong, const char* AShort) {
    TvnPDBaseObject* v = ADict.LookUp(ALong);
    return v ? v : ADict.LookUp(AShort);
  };
  if (entry("Filter", "F")) return -1;
  const TvnPDBaseObject* w = entry("Width", "W");
  const TvnPDBaseObject* h = entry("Height", "H");
  if (!w || !h || !w->IsInteger() || !h->IsInteger()) return -1;
  const TvnPDBaseObject* mask = entry("ImageMask", "IM");
  const bool is_mask = mask && mask->AsBoolean() && mask->AsBoolean()->GetValue();
  int64_t bpc = 1;
  int64_t comps = 1;
  if (!is_mask) {
    const TvnPDBaseObject* b = entry("BitsPerComponent", "BPC");
    if (!b || !b->IsInteger()) return -1;
    bpc = b->AsInteger()->GetValue();
    const TvnPDBaseObject* cs = entry("ColorSpace", "CS");
    if (!cs) return -1;
    if (cs->IsName("DeviceGray") || cs->IsName("G") || cs->IsName("CalGray")) {
      comps = 1;
    } else if (cs->IsName("DeviceRGB") || cs->IsName("RGB") || cs->IsName("CalRGB")) {
      comps = 3;
    } else if (cs->IsName("DeviceCMYK") || cs->IsName("CMYK")) {
      comps = 4;
    } else if (const auto* a = cs->AsArray(); a && a->GetLength() > 0 && a->Get(0) &&
                                               (a->Get(0)->IsName("Indexed") || a->Get(0)->IsName("I"))) {
      comps = 1;
    } else {
      return -1;
    }
  }
  const int64_t width = w->AsInteger()->GetValue();
  const int64_t height = h->AsInteger()->GetValue();
  if (width <= 0 || height <= 0 || bpc <= 0 || bpc > 16 || width > (int64_t{1} << 24) || height > (int64_t{1} << 24))
    return -1;
  return height * ((width * comps * bpc + 7) / 8);
}

}  // namespace

// ---- Operator table -----------------------------------------------------------

std::span<const TvnOperator> TvnPDContentStream::OperatorTable() {
  using C = TvnPDContentStream;
  static const std::vector<TvnOperator> table = [] {
    std::vector<TvnOperator> rows = {
        {"'", 1, "3", &C::OpNextLineShow},
        {"\"", 3, "223", &C::OpSpacingNextLineShow},
        {"b", 0, "", &C::OpCloseFillStroke},
        {"B", 0, "", &C::OpFillStroke},
        {"b*", 0, "", &C::OpCloseEOFillStroke},
        {"B*", 0, "", &C::OpEOFillStroke},
        {"BDC", 2, "46", &C::OpNothing},
        {"BI", 0, "", &C::OpBeginImage},
        {"BMC", 1, "4", &C::OpNothing},
        {"BT", 0, "", &C::OpBeginText},
        {"BX", 0, "", &C::OpBeginCompat},
        {"c", 6, "2", &C::OpCurveTo},
        {"cm", 6, "2", &C::OpConcat},
        {"cs", 1, "4", &C::OpFillColorSpace},
        {"CS", 1, "4", &C::OpStrokeColorSpace},
        {"d", 2, "52", &C::OpSetDash},
        {"d0", 2, "2", &C::OpNothing},
        {"d1", 6, "2", &C::OpGlyphShape},
        {"Do", 1, "4", &C::OpXObject},
        {"DP", 2, "46", &C::OpNothing},
        {"EI", 0, "", &C::OpNothing},
        {"EMC", 0, "", &C::OpNothing},
        {"ET", 0, "", &C::OpEndText},
        {"EX", 0, "", &C::OpEndCompat},
        {"f", 0, "", &C::OpFill},
        {"F", 0, "", &C::OpFill},
        {"f*", 0, "", &C::OpEOFill},
        {"g", 1, "2", &C::OpFillGray},
        {"G", 1, "2", &C::OpStrokeGray},
        {"gs", 1, "4", &C::OpGState},
        {"h", 0, "", &C::OpClosePath},
        {"i", 1, "2", &C::OpFlatness},
        {"ID", 0, "", &C::OpNothing},
        {"j", 1, "1", &C::OpLineJoin},
        {"J", 1, "1", &C::OpLineCap},
        {"k", 4, "2", &C::OpFillCMYK},
        {"K", 4, "2", &C::OpStrokeCMYK},
        {"l", 2, "2", &C::OpLineTo},
        {"m", 2, "2", &C::OpMoveTo},
        {"M", 1, "2", &C::OpMiterLimit},
        {"MP", 1, "4", &C::OpNothing},
        {"n", 0, "", &C::OpEndPath},
        {"q", 0, "", &C::OpSave},
        {"Q", 0, "", &C::OpRestore},
        {"re", 4, "2", &C::OpRectangle},
        {"rg", 3, "2", &C::OpFillRGB},
        {"RG", 3, "2", &C::OpStrokeRGB},
        {"ri", 1, "4", &C::OpNothing},
        {"s", 0, "", &C::OpCloseStroke},
        {"S", 0, "", &C::OpStroke},
        {"sc", -4, "2", &C::OpFillColor},
        {"SC", -4, "2", &C::OpStrokeColor},
        {"scn", -33, "7", &C::OpFillColorN},
        {"SCN", -33, "7", &C::OpStrokeColorN},
        {"sh", 1, "4", &C::OpShade},
        {"T*", 0, "", &C::OpNextLine},
        {"Tc", 1, "2", &C::OpCharSpace},
        {"Td", 2, "2", &C::OpTextMove},
        {"TD", 2, "2", &C::OpTextMoveLeading},
        {"Tf", 2, "42", &C::OpSetFont},
        {"Tj", 1, "3", &C::OpShowText},
        {"TJ", 1, "5", &C::OpShowArray},
        {"TL", 1, "2", &C::OpLeading},
        {"Tm", 6, "2", &C::OpTextMatrix},
        {"Tr", 1, "2", &C::OpRender},
        {"Ts", 1, "2", &C::OpRise},
        {"Tw", 1, "2", &C::OpWordSpace},
        {"Tz", 1, "2", &C::OpHorizScaling},
        {"v", 4, "2", &C::OpCurveToV},
        {"w", 1, "2", &C::OpLineWidth},
        {"W", 0, "", &C::OpClip},
        {"W*", 0, "", &C::OpEOClip},
        {"y", 4, "2", &C::OpCurveToY},
    };
    std::sort(rows.begin(), rows.end(),
              [](const TvnOperator& a, const TvnOperator& b) { return std::strcmp(a.Op, b.Op) < 0; });
    return rows;
  }();
  return table;
}

// ---- Life cycle -----------------------------------------------------------------

TvnPDContentStream::TvnPDContentStream(vn::pdf::TvnPDDocumentIntf* AParentDoc, vn::pdf::TvnPDElement* AParentElement,
                                       TvnPDBaseObject* ABaseObject)
    : TvnPDElement(ABaseObject, AParentDoc, AParentElement) {}

TvnPDContentStream::~TvnPDContentStream() { SetState(nullptr); }

std::unique_ptr<TvnPDContentStream> TvnPDContentStream::Clone() const {
  return std::make_unique<TvnPDContentStream>(FParentDoc, FParentElement, FBaseObject);
}

void TvnPDContentStream::SetState(std::unique_ptr<TvnPDState> AState) {
  if (FState && FOwnsState) {
    // Saves left open hold the states below this one.
    while (FState->HasSaves()) {
      TvnPDState* below = FState->Restore();
      if (below == FState) break;
      FState = below;
    }
    delete FState;
  }
  FState = AState.release();
  FOwnsState = FState != nullptr;
}

std::unique_ptr<TvnPDState> TvnPDContentStream::ReleaseState() {
  if (!FOwnsState) return nullptr;
  FOwnsState = false;
  return std::unique_ptr<TvnPDState>(std::exchange(FState, nullptr));
}

std::vector<std::unique_ptr<TvnPDBaseObject>> TvnPDContentStream::TakeArgs() { return std::move(FArgs); }

void TvnPDContentStream::PushArgs(std::vector<std::unique_ptr<TvnPDBaseObject>> AArgs) {
  for (auto& a : AArgs) Push(std::move(a));
}

void TvnPDContentStream::SaveState() {
  FExportDev->SaveState(*FState);
  FState = FState->Save();
  ++FSaveCount;
}

void TvnPDContentStream::RestoreState() {
  // A nested run never restores past the state it was given.
  if (FSaveCount <= 0 && !FOwnsState) return;
  if (FSaveCount > 0) --FSaveCount;
  FState = FState->Restore();
  FExportDev->RestoreState(*FState);
}

// ---- Running ----------------------------------------------------------------------

void TvnPDContentStream::Display(TvnPDExportDevice* AExportDev, double AhDPI, double AvDPI, int APageNum, int ARotate,
                                 TvnPDRect* ABox, TvnPDRect* ACropBox, TvnPDResource* APageResource) {
  if (!AExportDev) return;
  ActiveContentGuard guard(FBaseObject);
  if (!guard.Entered()) return;
  FExportDev = AExportDev;
  FhDPI = AhDPI;
  FvDPI = AvDPI;
  FRotate = ARotate;
  FBox = ABox;
  FCropBox = ACropBox;
  FPageNum = APageNum;
  FPageResource = APageResource;
  if (!FState) SetState(std::make_unique<TvnPDState>(AhDPI, AvDPI, ARotate, ACropBox));
  FState->SetPageNumber(APageNum);
  FBaseMatrix = FState->CTM().Copy();
  FSaveCount = 0;
  try {
    FExportDev->SetDefaultCTM(FState->CTM());
    FExportDev->UpdateAll(*FState);
    RunContent();
  } catch (const std::exception&) {
    // A stream that cannot be read ends here; the page goes on.
  }
  FParser.reset();
  FData.reset();
}

void TvnPDContentStream::DispalyObject(TvnPDExportDevice* AExportDev, TvnPDState* aState,
                                       TvnPDResource* AResources) {
  if (!AExportDev || !aState) return;
  ActiveContentGuard guard(FBaseObject);
  if (!guard.Entered()) return;
  SetState(nullptr);
  FState = aState;
  FOwnsState = false;
  FExportDev = AExportDev;
  FPageResource = AResources;
  FSaveCount = 0;
  struct Unwind {
    TvnPDContentStream* self;
    ~Unwind() {
      self->FParser.reset();
      self->FData.reset();
      // Saves the content left open are closed, so the caller gets its
      // state back.
      while (self->FSaveCount > 0) self->RestoreState();
    }
  } unwind{this};
  RunContent();
}

void TvnPDContentStream::ContinuePathOf(const TvnPDContentStream& APrevious) {
  FClip = APrevious.FClip;
  FPendingMove = APrevious.FPendingMove;
  FMoveX = APrevious.FMoveX;
  FMoveY = APrevious.FMoveY;
  FContinuePath = true;
}

void TvnPDContentStream::RunContent() {
  FUpdateLevel = 0;
  if (!FContinuePath) {
    FClip = TvnClip::clipNone;
    FPendingMove = false;
  }
  FContinuePath = false;
  auto* stream = FBaseObject ? FBaseObject->AsStream() : nullptr;
  if (!stream) return;
  std::unique_ptr<vn::TMemoryStream> data = ReadDecodedStream(stream, kMaxContentBytes);
  if (!data) return;
  FData = std::shared_ptr<vn::TMemoryStream>(std::move(data));
  auto window = vn::pdf::MakeRef<vn::pdf::TvnMemoryStream>(FData, 0, 0, false);
  FParser = std::make_unique<vn::pdf::TvnPDParser>(nullptr, std::make_unique<vn::pdf::TvnPDLexer>(std::move(window)),
                                                   false);
  for (;;) {
    std::unique_ptr<TvnPDBaseObject> object = FParser->GetObject();
    if (!object || object->IsEOF()) break;
    if (const auto* command = object->AsCommand()) {
      const std::string op = command->GetValue();
      object.reset();
      Execute(op);
      FArgs.clear();
    } else {
      Push(std::move(object));
    }
  }
}

void TvnPDContentStream::Push(std::unique_ptr<TvnPDBaseObject> AObject) {
  // The operands of an operator are the ones right before it: on overflow
  // the oldest go.
  if (static_cast<int>(FArgs.size()) >= kMaxArgs) FArgs.erase(FArgs.begin());
  FArgs.push_back(std::move(AObject));
}

void TvnPDContentStream::Execute(const std::string& AOp) {
  const auto table = OperatorTable();
  const auto row = std::lower_bound(table.begin(), table.end(), AOp,
                                    [](const TvnOperator& r, const std::string& op) { return r.Op < op; });
  if (row == table.end() || AOp != row->Op) return;
  const int have = static_cast<int>(FArgs.size());
  int used = 0;
  if (row->NumArgs >= 0) {
    if (have < row->NumArgs) return;
    used = row->NumArgs;
  } else {
    if (have > -row->NumArgs) return;
    used = have;
  }
  std::vector<TvnPDBaseObject*> args;
  args.reserve(static_cast<size_t>(used));
  const size_t kinds = std::strlen(row->ArgChk);
  for (int i = have - used; i < have; ++i) {
    TvnPDBaseObject* arg = FArgs[static_cast<size_t>(i)].get();
    const size_t pos = static_cast<size_t>(i - (have - used));
    const char kind = kinds == 0 ? '8' : row->ArgChk[std::min(pos, kinds - 1)];
    if (!KindMatches(kind, arg)) return;
    args.push_back(arg);
  }
  if (FShapeOnly && IsColorOperator(row->Operation)) return;
  try {
    (this->*(row->Operation))(TvnArgs(args.data(), args.size()));
  } catch (const std::exception&) {
    // A failure inside one operator skips that operator only.
  }
}

// ---- Paths -------------------------------------------------------------------------

void TvnPDContentStream::EndPath() {
  if (FState->IsCurrentPoint() && FClip != TvnClip::clipNone) {
    if (FClip == TvnClip::clipNormal)
      FExportDev->Clip(*FState);
    else
      FExportDev->EvenOddClip(*FState);
  }
  FClip = TvnClip::clipNone;
  FState->ClearPath();
  FPendingMove = false;
}

void TvnPDContentStream::Paint(bool AClose, int AFill, bool AStroke) {
  if (!FState->IsCurrentPoint()) return;
  if (FState->IsCurrentPath()) {
    if (AClose) FState->ClosePath();
    if (AFill == 1) FExportDev->Fill(*FState);
    if (AFill == 2) FExportDev->EvenOddFill(*FState);
    if (AStroke) FExportDev->Stroke(*FState);
  }
  EndPath();
}

void TvnPDContentStream::CurrentPoint(double& AX, double& AY) const {
  if (FPendingMove) {
    AX = FMoveX;
    AY = FMoveY;
  } else {
    AX = FState->Path().LastX();
    AY = FState->Path().LastY();
  }
}

void TvnPDContentStream::OpFillStroke(TvnArgs) { Paint(false, 1, true); }
void TvnPDContentStream::OpCloseFillStroke(TvnArgs) { Paint(true, 1, true); }
void TvnPDContentStream::OpEOFillStroke(TvnArgs) { Paint(false, 2, true); }
void TvnPDContentStream::OpCloseEOFillStroke(TvnArgs) { Paint(true, 2, true); }
void TvnPDContentStream::OpFill(TvnArgs) { Paint(false, 1, false); }
void TvnPDContentStream::OpEOFill(TvnArgs) { Paint(false, 2, false); }
void TvnPDContentStream::OpCloseStroke(TvnArgs) { Paint(true, 0, true); }
void TvnPDContentStream::OpStroke(TvnArgs) { Paint(false, 0, true); }
void TvnPDContentStream::OpEndPath(TvnArgs) { EndPath(); }
void TvnPDContentStream::OpClip(TvnArgs) { FClip = TvnClip::clipNormal; }
void TvnPDContentStream::OpEOClip(TvnArgs) { FClip = TvnClip::clipEO; }
void TvnPDContentStream::OpNothing(TvnArgs) {}

bool TvnPDContentStream::IsColorOperator(TvnOperationFunc AOperation) {
  using C = TvnPDContentStream;
  static constexpr TvnOperationFunc kColorOperators[] = {
      &C::OpFillColorSpace, &C::OpStrokeColorSpace, &C::OpFillGray, &C::OpStrokeGray, &C::OpFillRGB,
      &C::OpStrokeRGB,      &C::OpFillCMYK,         &C::OpStrokeCMYK, &C::OpFillColor, &C::OpStrokeColor,
      &C::OpFillColorN,     &C::OpStrokeColorN};
  return std::find(std::begin(kColorOperators), std::end(kColorOperators), AOperation) != std::end(kColorOperators);
}

void TvnPDContentStream::OpGlyphShape(TvnArgs) {
  // A glyph that gives its box (d1) is a shape only: it paints in the
  // colour of the text that shows it, strokes included, and its own colour
  // operators are ignored.
  FShapeOnly = true;
  if (FState->FillPattern) return;
  FState->SetStrokeColorSpace(FState->FillColorSpace());
  FExportDev->UpdateStrokeColorSpace(*FState);
  FState->SetStrokeColor(FState->GetFillColor());
  FExportDev->UpdateStrokeColor(*FState);
}

void TvnPDContentStream::OpMoveTo(TvnArgs AArgs) {
  FMoveX = NumberOf(AArgs[0]);
  FMoveY = NumberOf(AArgs[1]);
  FState->MoveTo(FMoveX, FMoveY);
  FPendingMove = true;
}

void TvnPDContentStream::OpLineTo(TvnArgs AArgs) {
  if (!FState->IsCurrentPoint()) return;
  FState->LineTo(NumberOf(AArgs[0]), NumberOf(AArgs[1]));
  FPendingMove = false;
}

void TvnPDContentStream::OpCurveTo(TvnArgs AArgs) {
  if (!FState->IsCurrentPoint()) return;
  FState->CurveTo(NumberOf(AArgs[0]), NumberOf(AArgs[1]), NumberOf(AArgs[2]), NumberOf(AArgs[3]),
                  NumberOf(AArgs[4]), NumberOf(AArgs[5]));
  FPendingMove = false;
}

void TvnPDContentStream::OpCurveToV(TvnArgs AArgs) {
  if (!FState->IsCurrentPoint()) return;
  double x = 0, y = 0;
  CurrentPoint(x, y);
  FState->CurveTo(x, y, NumberOf(AArgs[0]), NumberOf(AArgs[1]), NumberOf(AArgs[2]), NumberOf(AArgs[3]));
  FPendingMove = false;
}

void TvnPDContentStream::OpCurveToY(TvnArgs AArgs) {
  if (!FState->IsCurrentPoint()) return;
  const double x3 = NumberOf(AArgs[2]);
  const double y3 = NumberOf(AArgs[3]);
  FState->CurveTo(NumberOf(AArgs[0]), NumberOf(AArgs[1]), x3, y3, x3, y3);
  FPendingMove = false;
}

void TvnPDContentStream::OpClosePath(TvnArgs) {
  if (!FState->IsCurrentPoint()) return;
  FState->ClosePath();
  FPendingMove = false;
}

void TvnPDContentStream::OpRectangle(TvnArgs AArgs) {
  const double x = NumberOf(AArgs[0]);
  const double y = NumberOf(AArgs[1]);
  double w = NumberOf(AArgs[2]);
  double h = NumberOf(AArgs[3]);
  // A rectangle of zero width or height still shows as a hairline.
  if (w == 0) w = 0.2;
  if (h == 0) h = 0.2;
  FState->MoveTo(x, y);
  FState->LineTo(x + w, y);
  FState->LineTo(x + w, y + h);
  FState->LineTo(x, y + h);
  FState->ClosePath();
  FPendingMove = false;
}

// ---- Graphics state ------------------------------------------------------------------

void TvnPDContentStream::OpSave(TvnArgs) { SaveState(); }
void TvnPDContentStream::OpRestore(TvnArgs) { RestoreState(); }

void TvnPDContentStream::OpConcat(TvnArgs AArgs) {
  const TvnPDMatrix m(NumberOf(AArgs[0]), NumberOf(AArgs[1]), NumberOf(AArgs[2]), NumberOf(AArgs[3]),
                      NumberOf(AArgs[4]), NumberOf(AArgs[5]));
  FState->ConcatCTM(m);
  FExportDev->UpdateCTM(*FState, m);
  FFontChanged = true;
}

void TvnPDContentStream::OpSetDash(TvnArgs AArgs) {
  const auto* array = AArgs[0]->AsArray();
  TvnDashArray dash;
  const int64_t n = std::min<int64_t>(array->GetLength(), 1024);
  for (int64_t i = 0; i < n; ++i) {
    const TvnPDBaseObject* e = array->Get(i);
    if (!e || !e->IsNumber()) return;
    dash.push_back(static_cast<float>(NumberOf(e)));
  }
  FState->SetLineDash(dash, static_cast<int>(dash.size()), NumberOf(AArgs[1]));
  FExportDev->UpdateLineDash(*FState);
}

void TvnPDContentStream::OpFlatness(TvnArgs AArgs) {
  FState->Flatness = NumberOf(AArgs[0]);
  FExportDev->UpdateFlatness(*FState);
}

void TvnPDContentStream::OpLineJoin(TvnArgs AArgs) {
  FState->LineJoin = static_cast<int>(std::clamp<int64_t>(AArgs[0]->AsInteger()->GetValue(), -1, 3));
  FExportDev->UpdateLineJoin(*FState);
}

void TvnPDContentStream::OpLineCap(TvnArgs AArgs) {
  FState->LineCap = static_cast<int>(std::clamp<int64_t>(AArgs[0]->AsInteger()->GetValue(), -1, 3));
  FExportDev->UpdateLineCap(*FState);
}

void TvnPDContentStream::OpMiterLimit(TvnArgs AArgs) {
  FState->MiterLimit = NumberOf(AArgs[0]);
  FExportDev->UpdateMiterLimit(*FState);
}

void TvnPDContentStream::OpLineWidth(TvnArgs AArgs) {
  FState->LineWidth = NumberOf(AArgs[0]);
  FExportDev->UpdateLineWidth(*FState);
}

void TvnPDContentStream::OpBeginCompat(TvnArgs) { ++FIgnoreUndef; }
void TvnPDContentStream::OpEndCompat(TvnArgs) {
  if (FIgnoreUndef > 0) --FIgnoreUndef;
}

// ---- Colour ---------------------------------------------------------------------------

void TvnPDContentStream::SetColor(TvnArgs AArgs, bool AFill) {
  TvnColorComp color{};
  const size_t n = std::min<size_t>(AArgs.size(), kMaxColorComps);
  for (size_t i = 0; i < n; ++i) color.Comps[i] = ColorCompOf(AArgs[i]);
  if (AFill) {
    FState->SetFillColor(color);
    FExportDev->UpdateFillColor(*FState);
  } else {
    FState->SetStrokeColor(color);
    FExportDev->UpdateStrokeColor(*FState);
  }
}

void TvnPDContentStream::SetDeviceColor(TvnArgs AArgs, bool AFill, std::unique_ptr<TvnPDColorSpace> ASpace) {
  // A device colour ends painting with a pattern chosen before.
  (AFill ? FState->FillPattern : FState->StrokePattern) = nullptr;
  if (AFill) {
    FState->SetFillColorSpace(std::move(ASpace));
    FExportDev->UpdateFillColorSpace(*FState);
  } else {
    FState->SetStrokeColorSpace(std::move(ASpace));
    FExportDev->UpdateStrokeColorSpace(*FState);
  }
  SetColor(AArgs, AFill);
}

void TvnPDContentStream::OpFillGray(TvnArgs AArgs) {
  SetDeviceColor(AArgs, true, std::make_unique<TvnPDDeviceGrayColorSpace>());
}
void TvnPDContentStream::OpStrokeGray(TvnArgs AArgs) {
  SetDeviceColor(AArgs, false, std::make_unique<TvnPDDeviceGrayColorSpace>());
}
void TvnPDContentStream::OpFillRGB(TvnArgs AArgs) {
  SetDeviceColor(AArgs, true, std::make_unique<TvnPDDeviceRGBColorSpace>());
}
void TvnPDContentStream::OpStrokeRGB(TvnArgs AArgs) {
  SetDeviceColor(AArgs, false, std::make_unique<TvnPDDeviceRGBColorSpace>());
}
void TvnPDContentStream::OpFillCMYK(TvnArgs AArgs) {
  SetDeviceColor(AArgs, true, std::make_unique<TvnPDDeviceCMYKColorSpace>());
}
void TvnPDContentStream::OpStrokeCMYK(TvnArgs AArgs) {
  SetDeviceColor(AArgs, false, std::make_unique<TvnPDDeviceCMYKColorSpace>());
}

void TvnPDContentStream::OpFillColor(TvnArgs AArgs) { SetColor(AArgs, true); }

void TvnPDContentStream::OpStrokeColor(TvnArgs AArgs) {
  const TvnPDColorSpace* space = FState->StrokeColorSpace();
  if (space && space->GetNoOfComps() != static_cast<int>(AArgs.size())) return;
  SetColor(AArgs, false);
}

void TvnPDContentStream::SelectColorSpace(TvnArgs AArgs, bool AFill) {
  const std::string& name = AArgs[0]->AsName()->GetValue();
  TvnPDColorSpace* found = LookUpColorSpace(name);
  std::unique_ptr<TvnPDColorSpace> own;
  if (!found) {
    // The device spaces and Pattern are known by name, whether or not the
    // resources have a /ColorSpace entry.
    if (name == "DeviceRGB")
      own = std::make_unique<TvnPDDeviceRGBColorSpace>();
    else if (name == "DeviceGray")
      own = std::make_unique<TvnPDDeviceGrayColorSpace>();
    else if (name == "DeviceCMYK")
      own = std::make_unique<TvnPDDeviceCMYKColorSpace>();
    else if (name == "Pattern")
      own = std::make_unique<TvnPDPatternColorSpace>(nullptr);
    else
      return;
  }
  TvnPDColorSpace* space = found ? found : own.get();
  if (space->GetMode() != TvnColorSpaceMode::csPattern) (AFill ? FState->FillPattern : FState->StrokePattern) = nullptr;
  if (AFill) {
    if (own)
      FState->SetFillColorSpace(std::move(own));
    else
      FState->SetFillColorSpace(found);
    FExportDev->UpdateFillColorSpace(*FState);
  } else {
    if (own)
      FState->SetStrokeColorSpace(std::move(own));
    else
      FState->SetStrokeColorSpace(found);
    FExportDev->UpdateStrokeColorSpace(*FState);
  }
  TvnColorComp color{};
  space->GetDefaultColor(color);
  if (AFill) {
    if (space->GetMode() != TvnColorSpaceMode::csPattern) {
      FState->SetFillColor(color);
      FExportDev->UpdateFillColor(*FState);
    }
  } else {
    FState->SetStrokeColor(color);
    FExportDev->UpdateStrokeColor(*FState);
  }
}

void TvnPDContentStream::OpFillColorSpace(TvnArgs AArgs) { SelectColorSpace(AArgs, true); }
void TvnPDContentStream::OpStrokeColorSpace(TvnArgs AArgs) { SelectColorSpace(AArgs, false); }

void TvnPDContentStream::OpFillColorN(TvnArgs AArgs) {
  const TvnPDColorSpace* space = FState->FillColorSpace();
  if (space && space->GetMode() == TvnColorSpaceMode::csPattern) {
    if (AArgs.empty()) return;
    const auto* name = AArgs.back()->AsName();
    if (!name) return;
    TvnColorComp color{};
    for (size_t i = 0; i + 1 < AArgs.size() && i < kMaxColorComps; ++i) {
      if (!AArgs[i]->IsNumber()) return;
      color.Comps[i] = ColorCompOf(AArgs[i]);
    }
    FState->FillPattern = SelectPattern(name->GetValue(), AArgs.size() > 1 ? &color : nullptr);
    return;
  }
  FState->FillPattern = nullptr;
  if (space && space->GetNoOfComps() != static_cast<int>(AArgs.size())) return;
  for (const auto* a : AArgs)
    if (!a->IsNumber()) return;
  SetColor(AArgs, true);
}

void TvnPDContentStream::OpStrokeColorN(TvnArgs AArgs) {
  const TvnPDColorSpace* space = FState->StrokeColorSpace();
  if (space && space->GetMode() == TvnColorSpaceMode::csPattern) {
    if (AArgs.size() <= 1) return;
    const auto* pattern_space = dynamic_cast<const TvnPDPatternColorSpace*>(space);
    const TvnPDColorSpace* under = pattern_space ? pattern_space->GetUnder() : nullptr;
    if (!under || under->GetNoOfComps() != static_cast<int>(AArgs.size()) - 1) return;
    for (size_t i = 0; i + 1 < AArgs.size(); ++i)
      if (!AArgs[i]->IsNumber()) return;
    SetColor(AArgs.first(AArgs.size() - 1), false);
    return;
  }
  if (space && space->GetNoOfComps() != static_cast<int>(AArgs.size())) return;
  for (const auto* a : AArgs)
    if (!a->IsNumber()) return;
  SetColor(AArgs, false);
}

// ---- Text state --------------------------------------------------------------------------

void TvnPDContentStream::OpBeginText(TvnArgs) {
  FState->TextMatrix().SetValues(1, 0, 0, 1, 0, 0);
  FState->TextMoveTo(0, 0);
  FExportDev->UpdateTextMatrix(*FState);
  FExportDev->UpdateTextPos(*FState);
  FFontChanged = true;
}

void TvnPDContentStream::OpEndText(TvnArgs) { FExportDev->EndTextObject(*FState); }

void TvnPDContentStream::OpNextLine(TvnArgs) {
  FState->TextMoveTo(FState->LineX, FState->LineY - FState->Leading);
  FExportDev->UpdateTextPos(*FState);
}

void TvnPDContentStream::OpCharSpace(TvnArgs AArgs) {
  FState->CharSpace = NumberOf(AArgs[0]);
  FExportDev->UpdateCharSpace(*FState);
}

void TvnPDContentStream::OpWordSpace(TvnArgs AArgs) {
  FState->WordSpace = NumberOf(AArgs[0]);
  FExportDev->UpdateWordSpace(*FState);
}

void TvnPDContentStream::OpTextMove(TvnArgs AArgs) {
  FState->TextMoveTo(FState->LineX + NumberOf(AArgs[0]), FState->LineY + NumberOf(AArgs[1]));
  FExportDev->UpdateTextPos(*FState);
}

void TvnPDContentStream::OpTextMoveLeading(TvnArgs AArgs) {
  const double ty = NumberOf(AArgs[1]);
  FState->Leading = -ty;
  FState->TextMoveTo(FState->LineX + NumberOf(AArgs[0]), FState->LineY + ty);
  FExportDev->UpdateTextPos(*FState);
}

void TvnPDContentStream::OpLeading(TvnArgs AArgs) { FState->Leading = NumberOf(AArgs[0]); }

void TvnPDContentStream::OpTextMatrix(TvnArgs AArgs) {
  FState->TextMatrix().SetValues(NumberOf(AArgs[0]), NumberOf(AArgs[1]), NumberOf(AArgs[2]), NumberOf(AArgs[3]),
                                 NumberOf(AArgs[4]), NumberOf(AArgs[5]));
  FState->TextMoveTo(0, 0);
  FExportDev->UpdateTextMatrix(*FState);
  FExportDev->UpdateTextPos(*FState);
  FFontChanged = true;
}

void TvnPDContentStream::OpRender(TvnArgs AArgs) {
  FState->Render = NumberOf(AArgs[0]);
  FExportDev->UpdateRender(*FState);
}

void TvnPDContentStream::OpRise(TvnArgs AArgs) {
  FState->Rise = NumberOf(AArgs[0]);
  FExportDev->UpdateRise(*FState);
}

void TvnPDContentStream::OpHorizScaling(TvnArgs AArgs) {
  FState->HorizScaling = NumberOf(AArgs[0]) / 100.0;
  FExportDev->UpdateHorizScaling(*FState);
  FFontChanged = true;
}

void TvnPDContentStream::OpSetFont(TvnArgs AArgs) {
  TvnPDFont* font = LookUpFont(AArgs[0]->AsName()->GetValue());
  if (!font) return;
  FState->Font = font;
  FState->FontSize = NumberOf(AArgs[1]);
  FFontChanged = true;
}

// ---- Inline images ---------------------------------------------------------------------------

void TvnPDContentStream::OpBeginImage(TvnArgs) {
  auto dict = std::make_unique<vn::pdf::TvnPDDictionary>();
  for (;;) {
    std::unique_ptr<TvnPDBaseObject> key = FParser->GetObject();
    if (!key || key->IsEOF()) return;
    if (key->IsCommand("ID")) break;
    if (!key->IsName()) continue;
    std::unique_ptr<TvnPDBaseObject> value = FParser->GetObject();
    if (!value || value->IsEOF()) return;
    if (value->IsCommand("ID")) break;
    if (value->IsError() || value->IsCommand()) continue;
    dict->SetKeyValue(key->AsName()->GetValue(), std::move(value));
  }
  const uint8_t* data = FData->Memory();
  const int64_t size = FData->GetSize();
  const int64_t start = std::min(FParser->GetPosition(), size);
  // Binary data may hold the bytes "EI": unfiltered data of a known length
  // are skipped first, and "EI" only counts standing apart.
  int64_t search_from = start;
  if (const int64_t length = InlineImageLength(*dict); length >= 0 && length <= size - start)
    search_from = start + length;
  int64_t after = size;
  int64_t data_end = FindInlineImageEnd(data, size, search_from, after);
  if (data_end < 0 && search_from != start) data_end = FindInlineImageEnd(data, size, start, after);
  if (data_end < 0) {
    data_end = size;
    after = size;
  }
  DrawInlineImage(std::move(dict), start, std::max(data_end, start) - start);
  FParser->GetLexer()->SetPosition(after);
}

// ---- Page contents ------------------------------------------------------------------------------

TvnPDContents::TvnPDContents(vn::pdf::TvnPDDocumentIntf* AParentDoc, vn::pdf::TvnPDElement* AParentElement,
                             TvnPDBaseObject* ABaseObject)
    : TvnPDElement(ABaseObject, AParentDoc, AParentElement) {}

TvnPDContents::~TvnPDContents() = default;

int TvnPDContents::StreamCount() const {
  if (const auto* array = FBaseObject ? FBaseObject->AsArray() : nullptr)
    return static_cast<int>(std::min<int64_t>(array->GetLength(), std::numeric_limits<int>::max()));
  return 1;
}

void TvnPDContents::BuildList() {
  if (FListBuilt) return;
  FListBuilt = true;
  if (!FBaseObject) return;
  if (const auto* array = FBaseObject->AsArray()) {
    for (int64_t i = 0; i < array->GetLength(); ++i) {
      TvnPDBaseObject* element = array->Get(i);
      if (element && element->IsStream())
        FContentStrmList.push_back(std::make_unique<TvnPDContentStream>(FParentDoc, this, element));
    }
  } else if (FBaseObject->IsStream()) {
    FContentStrmList.push_back(std::make_unique<TvnPDContentStream>(FParentDoc, this, FBaseObject));
  }
}

TvnPDContentStream* TvnPDContents::GetStream(int AIndex) {
  if (AIndex < 0 || AIndex >= StreamCount()) return nullptr;
  BuildList();
  if (static_cast<size_t>(AIndex) >= FContentStrmList.size()) return nullptr;
  return FContentStrmList[static_cast<size_t>(AIndex)].get();
}

void TvnPDContents::Display(TvnPDExportDevice* ExportDev, double hDPI, double vDPI, int PageNum, int Rotate,
                            TvnPDRect* Box, TvnPDRect* CropBox, TvnPDResource* APageResource, bool RenderAnnots,
                            bool Printing) {
  if (!ExportDev) return;
  TvnPDPage* page = RenderAnnots ? dynamic_cast<TvnPDPage*>(FParentElement) : nullptr;
  if (StreamCount() < 1) {
    TvnPDState state(hDPI, vDPI, Rotate, CropBox);
    ExportDev->StartPage(PageNum, state);
    if (page) page->RenderAnnots(ExportDev, hDPI, vDPI, Rotate, CropBox, Printing);
    ExportDev->EndPage();
    return;
  }
  BuildList();
  for (auto& stream : FContentStrmList) stream->SetState(nullptr);
  auto state = std::make_unique<TvnPDState>(hDPI, vDPI, Rotate, CropBox);
  TvnPDState& first_state = *state;
  TvnPDContentStream* first = FContentStrmList.empty() ? nullptr : FContentStrmList.front().get();
  if (first) first->SetState(std::move(state));
  ExportDev->StartPage(PageNum, first_state);
  const TvnEndPageGuard end_page(ExportDev);
  if (first) {
    try {
      if (CropBox && CropBox->IsValid()) {
        first_state.MoveTo(CropBox->Left(), CropBox->Top());
        first_state.LineTo(CropBox->Right(), CropBox->Top());
        first_state.LineTo(CropBox->Right(), CropBox->Bottom());
        first_state.LineTo(CropBox->Left(), CropBox->Bottom());
        first_state.ClosePath();
        ExportDev->Clip(first_state);
        first_state.ClearPath();
      }
      // The annotations draw on the state before the content.
      if (page) ExportDev->SaveState(first_state);
    } catch (const std::exception&) {
    }
  }
  for (size_t i = 0; i < FContentStrmList.size(); ++i) {
    TvnPDContentStream* stream = FContentStrmList[i].get();
    if (i > 0) {
      // The page's streams are one stream: the state (with the saves left
      // open), the operands left over, the font flag and the path being
      // built carry on.
      TvnPDContentStream* previous = FContentStrmList[i - 1].get();
      stream->SetState(previous->ReleaseState());
      stream->PushArgs(previous->TakeArgs());
      stream->SetFontChanged(previous->FontChanged());
      stream->ContinuePathOf(*previous);
    }
    stream->Display(ExportDev, hDPI, vDPI, PageNum, Rotate, Box, CropBox, APageResource);
  }
  if (!page) return;
  try {
    TvnPDState annots_state(hDPI, vDPI, Rotate, CropBox);
    annots_state.SetPageNumber(PageNum);
    if (first) ExportDev->ResetDevice(annots_state);
    ExportDev->SetDefaultCTM(annots_state.CTM());
    page->RenderAnnots(ExportDev, hDPI, vDPI, Rotate, CropBox, Printing);
  } catch (const std::exception&) {
  }
}

}  // namespace vn::pdfdoc
