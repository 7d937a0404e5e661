#include "BmpDecoder.h"

#include "Errors.h"

namespace quillo {

Bitmap decodeBmp(std::span<const std::uint8_t>) { throw InvalidGraphic("not implemented"); }

}  // namespace quillo
