#pragma once

// The texts a read of the stored records ends with when it did not get everything.

#include <string>
#include <vector>

namespace pm {

// Record numbers, ascending, as a short text: runs of three or more as first-last, the others
// one by one, e.g. "7, 9-12, 15, 16".
std::string recordListText(const std::vector<int>& records);

// The window's message when records never answered, naming them (the first few hundred
// characters of the list, when it is longer).
std::string missingRecordsMessage(const std::vector<int>& records);

// The window's message when the count reply was not a count.
extern const char* const kCountRefusedMessage;

// Title of both messages.
extern const char* const kReadMessageTitle;

}  // namespace pm
