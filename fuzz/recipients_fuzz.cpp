// The recipients file of kvsys-print: recipients written read back exactly (control characters
// dropped, as from a meet); any file read either fails with a message or gives a table that
// writes and reads back the same.

#include <QFile>

#include "certificate/recipient.h"
#include "fuzz_support.h"
#include "print/recipients_file.h"

namespace {

using kvsys::RecipientTable;

bool SameRecipients(const RecipientTable& a, const RecipientTable& b) {
  if (a.RecipientCount != b.RecipientCount) return false;
  for (int i = 1; i <= a.RecipientCount; ++i) {
    if (!(a[i] == b[i])) return false;
  }
  return true;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  static RecipientTable written;  // large: made once
  static RecipientTable read;
  const QString path = kvsys::fuzz::ScratchFolder() + QStringLiteral("/recipients.tsv");
  const QString again = kvsys::fuzz::ScratchFolder() + QStringLiteral("/again.tsv");
  QString error;

  FuzzedDataProvider in(data, size);
  if (in.ConsumeBool()) {
    // Texts in, texts back.
    written.RecipientCount = in.ConsumeIntegralInRange<int16_t>(0, 20);
    for (int i = 1; i <= written.RecipientCount; ++i) {
      kvsys::Recipient& r = written[i];
      for (QString* text :
           {&r.Name, &r.Affiliation, &r.EventName, &r.ClassName, &r.RankText, &r.RecordText}) {
        *text = kvsys::fuzz::RawText(in, 24);
        // Unpaired surrogates have no UTF-8 form; a meet's texts never hold them.
        *text = kvsys::fuzz::Utf8Storable(*text);
      }
    }
    // The writer never replaces a file.
    QFile::remove(path);
    FUZZ_CHECK(kvsys::printtool::WriteRecipientsFile(path, written, &error));
    FUZZ_CHECK(kvsys::printtool::ReadRecipientsFile(path, read, &error));
    int n = 0;
    for (int i = 1; i <= written.RecipientCount; ++i) {
      if (kvsys::printtool::IsBlankRecipient(kvsys::CleanRecipient(written[i]))) continue;
      ++n;
      FUZZ_CHECK(n <= read.RecipientCount);
      FUZZ_CHECK(read[n] == kvsys::CleanRecipient(written[i]));
    }
    FUZZ_CHECK(read.RecipientCount == n);
    return 0;
  }

  // Any file.
  const std::string bytes = in.ConsumeRemainingBytesAsString();
  {
    QFile f(path);
    FUZZ_CHECK(f.open(QIODevice::WriteOnly | QIODevice::Truncate));
    FUZZ_CHECK(f.write(bytes.data(), static_cast<qint64>(bytes.size())) ==
               static_cast<qint64>(bytes.size()));
  }
  const int16_t before = read.RecipientCount;
  if (!kvsys::printtool::ReadRecipientsFile(path, read, &error)) {
    FUZZ_CHECK(!error.isEmpty() && read.RecipientCount == before);
    return 0;
  }
  QFile::remove(again);
  FUZZ_CHECK(kvsys::printtool::WriteRecipientsFile(again, read, &error));
  FUZZ_CHECK(kvsys::printtool::ReadRecipientsFile(again, written, &error));
  FUZZ_CHECK(SameRecipients(read, written));
  return 0;
}
