#pragma once
// Station documents into the inventory: FDSN StationXML (1.0 to 1.2) and RESP files.
#include <string>
#include <string_view>

#include "commands/meta/inventory.hpp"

namespace tw::meta {

// Reads the document `bytes` (named `name` in messages) into `inventory`. False with one message
// "NAME:LINE: ..." in `error` when it is malformed XML, no StationXML, or no RESP file; the
// inventory then holds nothing of it.
bool read_document_text(const std::string& name, std::string_view bytes, Inventory& inventory,
                        std::string& error);

// The same for a file; a file that cannot be read gives "PATH: reason".
bool read_document(const std::string& path, Inventory& inventory, std::string& error);

// The readers behind read_document_text.
bool read_stationxml(const std::string& name, std::string_view bytes, Inventory& inventory,
                     std::string& error);
bool read_resp(const std::string& name, std::string_view bytes, Inventory& inventory,
               std::string& error);

} // namespace tw::meta
