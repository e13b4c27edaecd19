#pragma once
// The IASP91 tables that this build made from the project's model file.
#include <string>

namespace tw::testing {

inline std::string built_model_base() {
    return std::string(TW_BINARY_DIR) + "/traveltime/iasp91";
}

} // namespace tw::testing
