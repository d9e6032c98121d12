// The tests' text form of the product's mail directory: lay-out lines that fill the simulated
// directory server, and the record lines of what it did, shared by the native tests and the
// stand-in directory server under Wine.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

#include "platform/sim/sim_directory_objects.h"

namespace directory_layout {

// One entry per line, fields split by tabs; identifiers are given as the text a program reads
// back from them ("--" at the front for the usual two zero bytes), tags and HRESULTs in hex:
//   system <TAB> system id <TAB> local location identifier
//   subscriber <TAB> alias <TAB> object id <TAB> location identifier <TAB> kind [<TAB> plain]
//              ("plain": holds none of the product's custom properties)
//   location <TAB> alias <TAB> identifier
//   counts <TAB> locations count | - <TAB> items count | -   ("-": the number of locations)
//   form <TAB> tag                       (answered as text if a number, as a number if a text)
//   fail <TAB> member <TAB> HRESULT      (member names as DohDirectory lists them)
//   unreadable <TAB> subscriber|location <TAB> alias <TAB> tag
//   removal-fails <TAB> alias <TAB> HRESULT
// The server is registered once anything is laid out. Blank lines and lines starting with '#'
// are skipped. Throws std::invalid_argument naming the line that cannot be read.
void Apply(platform::sim::DohDirectory& directory, std::wstring_view layout);

// The calls that took effect from the index on, one line each (UTF-8): "Connect", "LogOn 3",
// "RemoveCustomProperties <alias>", "Delete <alias>".
std::vector<std::string> CallLines(const platform::sim::DohDirectory& directory,
                                   std::size_t from = 0);

}  // namespace directory_layout
