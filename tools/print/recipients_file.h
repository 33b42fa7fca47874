#pragma once

#include <QString>

#include "certificate/recipient.h"

namespace kvsys::printtool {

// The recipients file of kvsys-print: UTF-8, one recipient a line from recipient 1, the six
// texts Name, Affiliation, EventName, ClassName, RankText and RecordText separated by tabs.

// Writes recipients 1 to RecipientCount, replacing the file as a whole. A backslash, tab, CR
// or LF inside a text is written as "\\", "\t", "\r" or "\n", so every line stays one
// recipient and reading the file gives the texts back exactly. False with a message in error
// when the file could not be written or is there already (it is never replaced).
bool WriteRecipientsFile(const QString& path, const RecipientTable& table, QString* error);

// A recipient with nothing to print (every text blank): reading a file skips it.
bool IsBlankRecipient(const Recipient& r);

// Reads a recipients file into the table from entry 1 and sets RecipientCount. A line of
// fewer texts leaves the rest empty; control characters are dropped as from a meet. False with a
// message naming the line when a line holds more than six texts, the file holds more than 9999
// recipients or cannot be read.
bool ReadRecipientsFile(const QString& path, RecipientTable& table, QString* error);

}  // namespace kvsys::printtool
