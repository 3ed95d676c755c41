#include "codecs/encoder/EncoderBackend.h"
#include "codecs/encoder/Layer1Backend.h"
#include "codecs/encoder/Layer2Backend.h"
#include "codecs/encoder/Layer3Backend.h"

namespace quillon {

// Each layer's backend is one line here; a layer without one is refused with a clear line.
std::unique_ptr<EncoderBackend> MakeEncoderBackend(int layer, std::string& refusal)
{
    switch (layer) {
    case 1: return std::make_unique<Layer1Backend>();
    case 2: return std::make_unique<Layer2Backend>();
    case 3: return std::make_unique<Layer3Backend>();
    default:
        refusal =
            "Error: Layer " + std::to_string(layer) + " encoding is not available in this l3.dll; use -l1, -l2 or -l3";
        return nullptr;
    }
}

} // namespace quillon
