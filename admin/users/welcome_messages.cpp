#include "admin/users/welcome_messages.h"

#include <unistd.h>

#include <ctime>
#include <optional>

#include "admin/shell/admin_state.h"
#include "admin/shell/system_services.h"
#include "common/file_bytes.h"
#include "common/path_case.h"
#include "common/profile.h"
#include "common/scramble.h"

namespace tellmar::admin {
namespace {

namespace fs = std::filesystem;

constexpr std::string_view kPlaceholderDomain = "domain.not.set";
constexpr std::string_view kPlaceholderRoot = "root@domain.not.set";
constexpr std::string_view kBoundary = "--TellmarMimeBoundary\n";
constexpr std::string_view kGenerated = "This message was generated automatically by Corvane Tellmar\n";

// Everything a message needs from the settings file.
struct Addresses {
  bool useDomain = true;
  std::string domain, rootaddr, id, dir, pw, alert, alertport;
  bool extml = true;

  std::string From() const { return useDomain ? "root@" + domain : rootaddr; }
  std::string To() const { return useDomain ? id + "@" + domain : id; }
};

Addresses ReadAddresses(const fs::path& ini, std::string_view section) {
  Addresses a;
  a.useDomain = GetProfileInt(ini, "Environment", "UseDomain", 1) != 0;
  a.domain = GetProfileString(ini, "Environment", "Domain", kPlaceholderDomain);
  a.rootaddr = GetProfileString(ini, "Environment", "rootaddr", kPlaceholderRoot);
  a.id = GetProfileString(ini, section, "id",
                          a.useDomain ? "newuser" : "newuser@" + std::string(kPlaceholderDomain));
  a.dir = GetProfileString(ini, section, "dir", "notset");
  a.pw = GetProfileString(ini, section, "pw", "");
  a.extml = GetProfileInt(ini, section, "extml", 1) != 0;
  a.alert = GetProfileString(ini, section, "alert", "");
  a.alertport = GetProfileString(ini, section, "alertport", "");
  return a;
}

std::string LocalTime(const char* format) {
  const std::time_t now = std::time(nullptr);
  std::tm local{};
  localtime_r(&now, &local);
  char text[128];
  const std::size_t n = std::strftime(text, sizeof text, format, &local);
  return std::string(text, n);
}

// A template's or attachment's lines, each ended by "\n"; nullopt when missing.
std::optional<std::string> ReadLines(const fs::path& serverDir, std::string_view relative) {
  std::error_code ec;
  auto bytes = ReadFileBytes(ResolvePathNoCase(serverDir, relative), ec);
  if (!bytes) return std::nullopt;
  std::string out;
  out.reserve(bytes->size() + 2);
  for (std::size_t i = 0; i < bytes->size(); ++i) {
    const char c = (*bytes)[i];
    if (c == '\r' && i + 1 < bytes->size() && (*bytes)[i + 1] == '\n') continue;
    out += c;
  }
  if (!out.empty() && out.back() != '\n') out += '\n';
  return out;
}

std::string Header(const Addresses& a, std::string_view subject, bool multipart) {
  std::string h = "From: <" + a.From() + ">\n";
  h += "To: <" + a.To() + ">\n";
  h += subject;
  h += LocalTime("Date: %a, %d %b %Y %H:%M:%S\n");
  if (multipart)
    h += "MIME-Version: 1.0\nContent-Type: multipart/mixed;\n\tboundary=\"TellmarMimeBoundary\"\n";
  h += "Message-id: <" + LocalTime("%j%S%M%H%Y") + "crvsrv@" + a.domain + ">\n\n";
  return h;
}

std::string WithCrLf(std::string_view text) {
  std::string out;
  out.reserve(text.size() + text.size() / 16);
  for (char c : text) {
    if (c == '\n') out += '\r';
    out += c;
  }
  return out;
}

// Replaces `file` whole: a reader scanning the folder never sees it half-written.
bool ReplaceFile(const fs::path& file, std::string_view bytes) {
  const fs::path part = file.string() + "." + std::to_string(::getpid()) + ".part";
  if (WriteNewFileDurably(part, bytes)) return false;
  std::error_code ec;
  fs::rename(part, file, ec);
  if (ec) fs::remove(part, ec);
  return !ec;
}

void WritePair(const fs::path& folder, int number, const Addresses& a, std::string_view message) {
  char name[16];
  std::snprintf(name, sizeof name, "%08x", number);
  if (!ReplaceFile(folder / (std::string(name) + ".txt"), WithCrLf(message))) return;
  const std::string envelope = "MAIL FROM: <" + a.From() + ">\nRCPT TO: <" + a.To() + ">\n";
  ReplaceFile(folder / (std::string(name) + ".env"), WithCrLf(envelope));
}

// The part of the two attachment messages after their text.
std::string Attachment(const fs::path& serverDir, std::string_view relative, std::string_view fileName,
                       std::string_view missingNotice) {
  const auto lines = ReadLines(serverDir, relative);
  if (!lines) return std::string(missingNotice);
  return std::string(kBoundary) + "Content-Transfer-Encoding: base64\n" +
         "Content-Disposition: attachment; filename=\"" + std::string(fileName) + "\"\n\n" + *lines + "\n" +
         "--TellmarMimeBoundary--\n";
}

constexpr std::string_view kTextPart =
    "--TellmarMimeBoundary\nContent-Type: text/plain; charset=\"iso-8859-1\"\nContent-Transfer-Encoding: "
    "7bit\n\n";
constexpr std::string_view kNewUserLine = "and sent to you because you are a newly created Tellmar user.\n";

}  // namespace

void WriteWelcomeMessage(const WelcomeContext& context, std::string_view section, const fs::path& folder) {
  const Addresses a = ReadAddresses(context.ini, section);
  std::string m = Header(a, "Subject: Welcome to the email system\n", false);
  if (auto site = ReadLines(context.serverDir, "TEMPLATES/welcome.txt")) m += *site + "\n";
  m += "Your email address is <" + a.To() + ">\n";
  m += "Your pop3 mailbox user-name is " + a.dir + "\n";
  if (a.pw.empty()) {
    m += "Your mailbox does not have a POP3 password set.\n\n";
  } else {
    m += "Your pop3 mailbox password has been set to [" + Unscramble(MailboxKeyWord(a.dir), a.pw) + "]\n";
    m += "It is recommended that you change this to the password of your choice\n";
    m += "as soon as possible.\n\nFor further details on how to do this send an email message to\n";
    m += a.From() + " with the Subject: line containing the single \n";
    m += "word SERVERADMIN and a single line containing the word HELP alone in the\n";
    m += "body of the message...\n\n";
  }
  if (!a.extml)
    m += "Initally your new server account allows you to send mail to other network users\nbut not "
         "externally to the "
         "internet, please contact your system administratorif you feel you need to have the ability to send "
         "mail to "
         "external internet addresses.";
  else
    m += "Your account is configured to allow you to send external mail.\n\n";
  if (a.alert.empty())
    m += "Your system administrator has not enabled mail alerts for your account.\n\n";
  else
    m += "Mail alerts will be sent to " + a.alert + "\nUsing TCP port number  " + a.alertport + "\n\n";
  if (!a.useDomain) {
    // Without a rootaddr the paragraph shows the address as unknown: empty.
    const std::string root = GetProfileString(context.ini, "Environment", "rootaddr", "");
    m += "Your mail system does not have a domain - it uses individual email addresses.\n";
    m += "Your system administrator email address is <" + root + ">\n\n";
  } else {
    m += "Your mail system domain is " + a.domain + "\n";
    m += "Your system administrator email address is <root@" + a.domain + ">\n\n";
  }
  m += std::string(kGenerated) + "http://www.corvane.example/\n";
  WritePair(folder, 1, a, m);
}

void WriteTimeClientMessage(const WelcomeContext& context, std::string_view section, const fs::path& folder) {
  const Addresses a = ReadAddresses(context.ini, section);
  std::string m = Header(a, "Subject: IMPORTANT - Network Time Client attached\n", true);
  m += kTextPart;
  if (auto text = ReadLines(context.serverDir, "TEMPLATES/TIMESERVER.TXT")) {
    m += *text + "\n\n";
  } else {
    m += "Attached to this message is the special SNTP Time client program\n"
         "that your computer needs to enable it to keep the clock on your\n"
         "PC set to the same time as the server PC.\n\n"
         "Please copy or move the attached file [ZERARIRI.EXE] to your\n"
         "x:\\WINDOWS directory and then create a shortcut to it in the directory\n"
         "x:\\WINDOWS\\START MENU\\PROGRAMS\\STARTUP with the following command in the shortcut...\n\n";
    m += "x:\\WINDOWS\\ZERARIRI.EXE -t30 " + context.serverAddress + " ensuring that you replace\n";
    m += "x: with the correct drive letter for your own Windows installation.\n\n"
         "Once you have done this, double click on the shortcut to ensure that it is working.\n\n"
         "You should not see any messages or windows appear....\n\n"
         "If you do so, please check with your network administrator\n\n";
  }
  m += Attachment(context.serverDir, "Templates/ZERARIRI.B64", "ZERARIRI.EXE",
                  "NO TIME CLIENT ATTACHMENT [ZERARIRI.B64] WAS FOUND,\n Please contact your network "
                  "administrator....\n\n");
  m += std::string(kGenerated) + std::string(kNewUserLine);
  WritePair(folder, 2, a, m);
}

void WriteMailAlertMessage(const WelcomeContext& context, std::string_view section, const fs::path& folder) {
  const Addresses a = ReadAddresses(context.ini, section);
  std::string m = Header(a, "Subject: IMPORTANT - Network Mail Alert module attached\n", true);
  m += kTextPart;
  if (auto text = ReadLines(context.serverDir, "TEMPLATES/MBELL32.TXT")) {
    m += *text + "\n\n";
  } else {
    m += "Attached to this message is the special Mail Alert client program\n"
         "that your computer needs to enable you to receive an alert from the \n"
         "mail server whenever you have mail to be collected.\n\n"
         "Please copy or move the attached file [MBELL32.EXE] to your\n"
         "x:\\WINDOWS directory and then create a shortcut to it in the directory\n"
         "x:\\WINDOWS\\START MENU\\PROGRAMS\\STARTUP with the following command in the shortcut...\n\n"
         "x:\\WINDOWS\\MBELL.EXE\n"
         "Replacing 'x:' with the correct drive letter for your own Windows installation.\n\n"
         "Once you have done this, double click on the shortcut to ensure that it is working.\n\n"
         "You should see a small 'book' icon appear in the system tray on your task bar....\n\n"
         "If you do not see this, please check with your network administrator\n\n";
  }
  m += Attachment(context.serverDir, "Templates/MBELL32.B64", "Mbell32.exe",
                  "NO MAIL ALERT CLIENT ATTACHMENT [MBELL32.B64] WAS FOUND,\n Please contact your network "
                  "administrator....\n\n");
  m += std::string(kGenerated) + std::string(kNewUserLine);
  WritePair(folder, 3, a, m);
}

WelcomeContext CurrentWelcomeContext() {
  const fs::path dir = ServerDirectoryPath();
  return {ServerSettingsFile(), dir.empty() ? fs::current_path() : dir,
          HostAddressFromRegistry(App().registry).value_or("")};
}

fs::path FolderFromPrefix(std::string_view prefix) {
  fs::path path = FromWindowsPath(prefix);
  std::string text = path.string();
  while (text.size() > 1 && text.back() == '/') text.pop_back();
  path = text;
  std::error_code ec;
  if (!fs::exists(path, ec) && path.has_parent_path())
    path = ResolveNoCase(path.parent_path(), path.filename().string());
  return path;
}

}  // namespace tellmar::admin
