#include "mlayoutanimation.h"

// Out of line so that the class has one home for its vtable.
MLayoutAnimation::~MLayoutAnimation() = default;
