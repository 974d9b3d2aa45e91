#include "DrawingTools.h"

#include "DrawingArrow.h"
#include "DrawingCircle.h"
#include "DrawingDataPriceRange.h"
#include "DrawingDataRange.h"
#include "DrawingFibRetracement.h"
#include "DrawingGannFan.h"
#include "DrawingLeftArrow.h"
#include "DrawingLine.h"
#include "DrawingLongPos.h"
#include "DrawingNote.h"
#include "DrawingParallelLine.h"
#include "DrawingPriceLabel.h"
#include "DrawingPriceRange.h"
#include "DrawingRay.h"
#include "DrawingRect.h"
#include "DrawingText.h"
#include "DrawingTriangle.h"
#include "DrawingVerticalLine.h"

std::unique_ptr<DrawingBase> createDrawingTool(int id) {
    switch (id) {
        case DrawingLine::TYPE:
            return std::make_unique<DrawingLine>();
        case DrawingVerticalLine::TYPE:
            return std::make_unique<DrawingVerticalLine>();
        case DrawingRay::TYPE:
            return std::make_unique<DrawingRay>();
        case DrawingArrow::TYPE:
            return std::make_unique<DrawingArrow>();
        case DrawingParallelLine::TYPE:
            return std::make_unique<DrawingParallelLine>();
        case DrawingTriangle::TYPE:
            return std::make_unique<DrawingTriangle>();
        case DrawingCircle::TYPE:
            return std::make_unique<DrawingCircle>();
        case DrawingRect::TYPE:
            return std::make_unique<DrawingRect>();
        case DrawingDataRange::TYPE:
            return std::make_unique<DrawingDataRange>();
        case DrawingPriceRange::TYPE:
            return std::make_unique<DrawingPriceRange>();
        case DrawingDataPriceRange::TYPE:
            return std::make_unique<DrawingDataPriceRange>();
        case DrawingFibRetracement::TYPE:
            return std::make_unique<DrawingFibRetracement>();
        case DrawingGannFan::TYPE:
            return std::make_unique<DrawingGannFan>();
        case DrawingLeftArrow::TYPE:
            return std::make_unique<DrawingLeftArrow>();
        case DrawingUpArrow::TYPE:
            return std::make_unique<DrawingUpArrow>();
        case DrawingRightArrow::TYPE:
            return std::make_unique<DrawingRightArrow>();
        case DrawingDownArrow::TYPE:
            return std::make_unique<DrawingDownArrow>();
        case DrawingFlag::TYPE:
            return std::make_unique<DrawingFlag>();
        case DrawingText::TYPE:
            return std::make_unique<DrawingText>();
        case DrawingTextAR::TYPE:
            return std::make_unique<DrawingTextAR>();
        case DrawingNote::TYPE:
            return std::make_unique<DrawingNote>();
        case DrawingNoteAR::TYPE:
            return std::make_unique<DrawingNoteAR>();
        case DrawingPriceLabel::TYPE:
            return std::make_unique<DrawingPriceLabel>();
        case DrawingLongPos::TYPE:
            return std::make_unique<DrawingLongPos>();
        case DrawingShortPos::TYPE:
            return std::make_unique<DrawingShortPos>();
        default:
            return nullptr;
    }
}
