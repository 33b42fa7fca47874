#include "print_cups/private_cups.h"

#include <sys/prctl.h>

#include <unistd.h>
#include <QDeadlineTimer>
#include <QDir>
#include <QFile>
#include <QRegularExpression>
#include <QStandardPaths>
#include <QThread>
#include <csignal>

namespace kvsys::test {

namespace {

// The CUPS programs lie in sbin, which a user's PATH may lack.
QString FindTool(const QString& name) {
  const QString found = QStandardPaths::findExecutable(
      name, {QStringLiteral("/usr/sbin"), QStringLiteral("/usr/bin"), QStringLiteral("/sbin")});
  return found.isEmpty() ? QStandardPaths::findExecutable(name) : found;
}

bool WriteText(const QString& path, const QString& text, QFile::Permissions permissions = {}) {
  QFile f(path);
  if (!f.open(QIODevice::WriteOnly | QIODevice::Truncate)) return false;
  const QByteArray bytes = text.toUtf8();
  if (f.write(bytes) != bytes.size()) return false;
  f.close();
  return permissions == QFile::Permissions() || f.setPermissions(permissions);
}

constexpr QFile::Permissions kOpen = QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner |
                                     QFile::ReadGroup | QFile::ExeGroup | QFile::ReadOther |
                                     QFile::ExeOther;
constexpr QFile::Permissions kWritable = kOpen | QFile::WriteGroup | QFile::WriteOther;

// Copies the job (the file argument, or standard input) into the folder of the device URI;
// the name appears only once the copy is whole. Without arguments it lists no device.
const char* const kBackend = R"(#!/bin/sh
[ $# -eq 0 ] && exit 0
out="${DEVICE_URI#kvstest:}"
if [ $# -ge 6 ]; then cp "$6" "$out/.job-$1" || exit 1
else cat > "$out/.job-$1" || exit 1; fi
mv "$out/.job-$1" "$out/job-$1.pdf"
)";

const char* const kPpd = "/usr/share/ppd/cups-pdf/CUPS-PDF_opt.ppd";

// The scheduler's socket lies in the folder, and a socket's path is short (108 bytes).
QString FolderTemplate() {
  const QString name = QStringLiteral("/kvsys-cups-XXXXXX");
  const QString temp = QDir::tempPath();
  return (temp.toLocal8Bit().size() < 60 ? temp : QStringLiteral("/tmp")) + name;
}

}  // namespace

PrivateCups::PrivateCups() : dir_(FolderTemplate()) {}

PrivateCups::~PrivateCups() {
  Stop();
}

void PrivateCups::Stop() {
  if (cupsd_.state() != QProcess::NotRunning) {
    cupsd_.terminate();
    if (!cupsd_.waitForFinished(10000)) {
      cupsd_.kill();
      cupsd_.waitForFinished(5000);
    }
  }
}

QString PrivateCups::Start() {
  const QString cupsd = FindTool(QStringLiteral("cupsd"));
  if (cupsd.isEmpty()) return QStringLiteral("cupsd is not installed (Debian package cups)");
  if (!QFile::exists(QString::fromLatin1(kPpd))) {
    return QStringLiteral("the cups-pdf PPD is not installed (printer-driver-cups-pdf)");
  }
  if (!dir_.isValid()) return QStringLiteral("no temporary folder");
  // A scheduler run by root runs filters and backends as lp: they must reach these folders.
  QFile::setPermissions(dir_.path(), kOpen);
  QDir root(dir_.path());
  for (const char* sub : {"conf", "bin", "bin/backend", "spool", "cache", "state", "log", "jobs"}) {
    if (!root.mkpath(QString::fromLatin1(sub))) return QStringLiteral("cannot make folders");
    QFile::setPermissions(Path(QString::fromLatin1(sub)), kOpen);
  }
  root.mkpath(QStringLiteral("spool/tmp"));
  QFile::setPermissions(Path(QStringLiteral("spool/tmp")), kWritable);
  // The system's filters and helpers, the test's own backend.
  for (const char* sub : {"filter", "daemon", "cgi-bin", "monitor", "notifier", "driver"}) {
    const QString system = QStringLiteral("/usr/lib/cups/") + QString::fromLatin1(sub);
    if (QFileInfo::exists(system)) QFile::link(system, Path(QStringLiteral("bin/")) + sub);
  }
  if (!WriteText(Path(QStringLiteral("bin/backend/kvstest")), QString::fromLatin1(kBackend),
                 kOpen)) {
    return QStringLiteral("cannot write the backend");
  }
  const QString socket = Path(QStringLiteral("cups.sock"));
  const bool root_user = ::geteuid() == 0;
  QString files = QStringLiteral(
                      "ServerRoot %1/conf\nServerBin %1/bin\nRequestRoot %1/spool\n"
                      "TempDir %1/spool/tmp\nCacheDir %1/cache\nStateDir %1/state\n"
                      "ErrorLog %1/log/error_log\nAccessLog %1/log/access_log\n"
                      "PageLog %1/log/page_log\nPrintcap %1/printcap\nFileDevice No\n")
                      .arg(dir_.path());
  if (root_user) files += QStringLiteral("SystemGroup root\n");
  // No network, no browsing, anyone on the socket may administer: the socket is private.
  const QString conf = QStringLiteral(
                           "Listen %1\nLogLevel info\nWebInterface No\nBrowsing Off\n"
                           "ErrorPolicy abort-job\nDefaultAuthType None\n"
                           "<Location />\n  Order allow,deny\n  Allow all\n</Location>\n"
                           "<Policy default>\n  JobPrivateAccess all\n  JobPrivateValues none\n"
                           "  SubscriptionPrivateAccess all\n  SubscriptionPrivateValues none\n"
                           "  <Limit All>\n    Order allow,deny\n    Allow all\n  </Limit>\n"
                           "</Policy>\n")
                           .arg(socket);
  if (!WriteText(Path(QStringLiteral("conf/cups-files.conf")), files) ||
      !WriteText(Path(QStringLiteral("conf/cupsd.conf")), conf)) {
    return QStringLiteral("cannot write the configuration");
  }

  qputenv("CUPS_SERVER", socket.toLocal8Bit());
  qunsetenv("LPDEST");
  qunsetenv("PRINTER");
  cupsd_.setProgram(cupsd);
  cupsd_.setArguments({QStringLiteral("-f"), QStringLiteral("-c"),
                       Path(QStringLiteral("conf/cupsd.conf")), QStringLiteral("-s"),
                       Path(QStringLiteral("conf/cups-files.conf"))});
  cupsd_.setProcessChannelMode(QProcess::MergedChannels);
  // The scheduler ends with the test, even one that crashes.
  cupsd_.setChildProcessModifier([] { ::prctl(PR_SET_PDEATHSIG, SIGTERM); });
  cupsd_.start();
  if (!cupsd_.waitForStarted(5000)) return QStringLiteral("cupsd does not start");
  const QDeadlineTimer deadline(15000);
  while (!deadline.hasExpired()) {
    if (cupsd_.state() == QProcess::NotRunning) {
      return QStringLiteral("cupsd ended at once: ") +
             QString::fromLocal8Bit(cupsd_.readAll()).trimmed() + QLatin1Char(' ') + LogTail();
    }
    if (QFileInfo::exists(socket) && Answers()) return QString();
    QThread::msleep(50);
  }
  return QStringLiteral("cupsd does not answer: ") + LogTail();
}

bool PrivateCups::Answers() {
  QString error;
  return Tool(QStringLiteral("lpstat"), {QStringLiteral("-r")}, &error);
}

bool PrivateCups::Tool(const QString& tool, const QStringList& args, QString* error) {
  QProcess p;
  const QString program = FindTool(tool);
  if (program.isEmpty()) {
    *error = tool + QStringLiteral(" is not installed");
    return false;
  }
  p.setProcessChannelMode(QProcess::MergedChannels);
  p.start(program, args);
  if (!p.waitForFinished(30000)) {
    p.kill();
    p.waitForFinished();
    *error = tool + QStringLiteral(" does not finish");
    return false;
  }
  const QString said = QString::fromLocal8Bit(p.readAll()).trimmed();
  if (p.exitStatus() != QProcess::NormalExit || p.exitCode() != 0) {
    *error = tool + QLatin1Char(' ') + args.join(QLatin1Char(' ')) + QStringLiteral(": ") + said;
    return false;
  }
  return true;
}

bool PrivateCups::AddQueue(const QString& name, bool make_default, QString* error) {
  const QString jobs = JobFolder(name);
  if (!QDir().mkpath(jobs) || !QFile::setPermissions(jobs, kWritable)) {
    *error = QStringLiteral("cannot make ") + jobs;
    return false;
  }
  // The cups-pdf driver's paper list, taking PDF as the last filter leaves it: the job is the
  // PDF a PDF printer would receive.
  QFile ppd(QString::fromLatin1(kPpd));
  if (!ppd.open(QIODevice::ReadOnly)) {
    *error = QStringLiteral("cannot read the PPD");
    return false;
  }
  QString text = QString::fromLatin1(ppd.readAll());
  text.replace(QRegularExpression(QStringLiteral(R"(\*% cupsFilter:[^\n]*)")),
               QStringLiteral(R"(*cupsFilter2: "application/vnd.cups-pdf application/pdf 0 -")"));
  const QString own = Path(name + QStringLiteral(".ppd"));
  if (!WriteText(own, text, kOpen)) {
    *error = QStringLiteral("cannot write the PPD");
    return false;
  }
  if (!Tool(QStringLiteral("lpadmin"),
            {QStringLiteral("-p"), name, QStringLiteral("-E"), QStringLiteral("-v"),
             QStringLiteral("kvstest:") + jobs, QStringLiteral("-P"), own},
            error)) {
    return false;
  }
  return !make_default || Tool(QStringLiteral("lpadmin"), {QStringLiteral("-d"), name}, error);
}

QString PrivateCups::JobFolder(const QString& queue) const {
  return Path(QStringLiteral("jobs/") + queue);
}

QStringList PrivateCups::WaitForJobs(const QString& queue, int count, int timeout_ms) const {
  const QDir folder(JobFolder(queue));
  const QDeadlineTimer deadline(timeout_ms);
  QStringList files;
  for (;;) {
    files = folder.entryList({QStringLiteral("job-*.pdf")}, QDir::Files, QDir::Name);
    if (files.size() >= count || deadline.hasExpired()) break;
    QThread::msleep(50);
  }
  for (QString& f : files) f = folder.filePath(f);
  // In the order the jobs were sent.
  std::sort(files.begin(), files.end(), [](const QString& a, const QString& b) {
    return QFileInfo(a).baseName().mid(4).toInt() < QFileInfo(b).baseName().mid(4).toInt();
  });
  return files;
}

QString PrivateCups::LogTail() const {
  QFile f(Path(QStringLiteral("log/error_log")));
  if (!f.open(QIODevice::ReadOnly)) return QString();
  const QStringList lines = QString::fromLocal8Bit(f.readAll()).split(QLatin1Char('\n'));
  return lines.mid(std::max<qsizetype>(0, lines.size() - 15)).join(QLatin1Char('\n'));
}

PdfInfo ReadPdfInfo(const QString& file) {
  PdfInfo info;
  QProcess p;
  p.start(QStringLiteral("pdfinfo"), {file});
  if (!p.waitForFinished(30000) || p.exitCode() != 0) {
    info.error = QStringLiteral("pdfinfo (poppler-utils) cannot read ") + file + QLatin1Char(' ') +
                 QString::fromLocal8Bit(p.readAllStandardError());
    return info;
  }
  const QString out = QString::fromLocal8Bit(p.readAllStandardOutput());
  static const QRegularExpression pages(QStringLiteral(R"(^Pages:\s+(\d+))"),
                                        QRegularExpression::MultilineOption);
  static const QRegularExpression size(QStringLiteral(R"(^Page size:\s+([\d.]+) x ([\d.]+) pts)"),
                                       QRegularExpression::MultilineOption);
  if (const auto m = pages.match(out); m.hasMatch()) info.pages = m.captured(1).toInt();
  if (const auto m = size.match(out); m.hasMatch()) {
    info.width = m.captured(1).toDouble();
    info.height = m.captured(2).toDouble();
  }
  return info;
}

}  // namespace kvsys::test
