#pragma once

#include <memory>

#include "DrawingBase.h"

// The drawing tool of a picker identifier (1 to 26), or null for 0, 9, negatives and anything above
// 26. The chart installs it with setToolFactory.
std::unique_ptr<DrawingBase> createDrawingTool(int id);
