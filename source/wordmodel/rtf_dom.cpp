#include "wordmodel/rtf_dom.h"

namespace vn::wordmodel {

TvnRTFDOMObject::TvnRTFDOMObject()
    : FRTFColorTable(std::make_unique<TvnColorTable>()), FRTFFontTable(std::make_unique<TvnFontTable>()) {}

TvnRTFDOMObject::~TvnRTFDOMObject() = default;

}  // namespace vn::wordmodel
