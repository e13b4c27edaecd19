#pragma once
// Base name of the travel-time model tables (".hed" and ".tbl" are appended).

namespace tw {

// The IASP91 tables where the installation puts them, the default of the programs.
inline const char* default_model_base() {
    return TW_MODEL_BASE;
}

} // namespace tw
