#include "filltarget.h"

#include "bruvela.h"

namespace fill {

// Out of line so the vtables live in the library, not in every user.
FillTarget::~FillTarget() = default;
PropertyBag::~PropertyBag() = default;

} // namespace fill
