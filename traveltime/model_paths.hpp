#pragma once
// Base names of the travel-time model tables (".hed" and ".tbl" are appended).

namespace tw {

// The installed IASP91 tables, the default of the analysis program.
inline const char* default_model_base() {
    return TW_MODEL_BASE;
}
// The IASP91 tables made by this build.
inline const char* built_model_base() {
    return TW_BUILT_MODEL_BASE;
}

} // namespace tw
