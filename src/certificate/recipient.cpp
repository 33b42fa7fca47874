#include "certificate/recipient.h"

#include "common/text_util.h"

namespace kvsys {

Recipient CleanRecipient(Recipient r) {
  for (QString* text :
       {&r.Name, &r.Affiliation, &r.EventName, &r.ClassName, &r.RankText, &r.RecordText}) {
    *text = DropControlCharacters(*text);
  }
  return r;
}

}  // namespace kvsys
