#include "admin/config/domain_settings.h"

#include "admin/config/remote_update.h"
#include "common/ascii.h"
#include "common/ini_document.h"
#include "common/profile.h"
#include "common/user_directory.h"

namespace tellmar::admin {
namespace {

namespace fs = std::filesystem;

bool Holds(std::string_view text, char c) { return text.find(c) != std::string_view::npos; }

std::string Cut(std::string_view text, std::size_t bufferSize) {
  return std::string(text.substr(0, bufferSize - 1));
}

std::string PlaceholderRoot() { return "root@" + std::string(kPlaceholderDomain); }

// The domain the records were written for: Domain, or the text after its
// first "@" when it holds one.
std::string OldDomain(const IniDocument& doc) {
  std::string domain = Cut(doc.Find("Environment", "Domain").value_or(kPlaceholderDomain), kOldDomainRead);
  const std::size_t at = domain.find('@');
  return at == std::string::npos ? domain : domain.substr(at + 1);
}

bool OldModeSingle(const IniDocument& doc) {
  const std::string_view stored = doc.Find("Environment", "UseDomain").value_or("");
  return stored.empty() ? true : ParseProfileInt(stored) != 0;
}

// Every user record's ID in the new form, visiting USER0 .. USER32000 up to
// the first empty ID. `user0Id` is what this apply has already written into
// USER0, so the pass sees it as the file will hold it.
void RewriteUserIds(const IniDocument& doc, ProfileBatch& batch, bool toFullAddresses, std::string_view domain,
                    const std::optional<std::string>& user0Id) {
  for (int i = 0; i <= kRewriteMax; ++i) {
    const std::string section = UserSectionName(i);
    const std::string id = i == 0 && user0Id ? *user0Id
                                             : Cut(doc.Find(section, "ID").value_or(""), kDomainTextRead);
    if (id.empty()) break;
    const std::string local = id.substr(0, id.find('@'));
    const std::string rewritten = toFullAddresses ? local + "@" + std::string(domain) : local;
    if (rewritten != id) batch.Write(section, "ID", rewritten);
  }
}

}  // namespace

DomainView ReadDomainView(const fs::path& ini) {
  DomainView view;
  view.single = GetProfileString(ini, "Environment", "UseDomain", "-1") == "-1";
  view.text = StoredDomainText(ini, view.single);
  view.registered = GetProfileString(ini, "Environment", "RegDomain", "0") == "-1";
  return view;
}

std::string StoredDomainText(const fs::path& ini, bool single) {
  return single ? GetProfileString(ini, "Environment", "Domain", kPlaceholderDomain, kDomainTextRead)
                : GetProfileString(ini, "Environment", "RootAddr", PlaceholderRoot(), kDomainTextRead);
}

std::string RootAddressFor(std::string_view text) {
  const std::size_t at = text.find('@');
  if (at == std::string_view::npos) return "root@" + std::string(text);
  return "root" + std::string(text.substr(at));
}

std::optional<DomainRefusal> CheckDomainApply(bool single, std::string_view text) {
  if (text.empty() && single)
    return DomainRefusal{"Domain Error !!",
                         "You must enter your domain name if you select to support a single domain with "
                         "Tellmar\r\nPlease enter your organisations' domain name...",
                         std::nullopt};
  if (text.empty())
    return DomainRefusal{"No root user provided!!",
                         "You must enter the email address of one of your network users (typically your network "
                         "administrator)\r\nif you elect to support multiple domains with Tellmar\r\nPlease enter a "
                         "suitable email address...",
                         std::nullopt};
  if (!single && Holds(text, '@') && AsciiUpper(text).find("ROOT@") == std::string::npos) {
    const std::string candidate = RootAddressFor(text);
    return DomainRefusal{"Root user error !!",
                         "The user ID of the root user must always be 'ROOT@yourdomain'\r\nPlease note that the "
                         "System Postmaster has been assigned\r\nthe email address of [" +
                             candidate + "]",
                         candidate};
  }
  return std::nullopt;
}

std::optional<DomainRefusal> CheckWizardDomain(bool single, std::string_view text) {
  const std::string example(kExampleDomain);
  if (single) {
    if (text.empty()) return DomainRefusal{"Domain Error", "Please enter your organisations' domain name...", {}};
    if (Holds(text, '@') || !Holds(text, '.'))
      return DomainRefusal{"Domain Error", "Please enter a domain name of the form " + example, {}};
    return std::nullopt;
  }
  if (text.empty())
    return DomainRefusal{"No root user provided",
                         "You must enter an email address in the format 'root@yourdomain' for you network "
                         "administration mail\r\nwhen selecting multiple domain support with Tellmar\r\nPlease "
                         "enter a suitable email address...",
                         {}};
  if (!Holds(text, '@') || !Holds(text, '.'))
    return DomainRefusal{"Invalid Root user Address", "Please enter an email address in the format root@" + example,
                         {}};
  if (AsciiUpper(text.substr(0, 5)) != "ROOT@")
    return DomainRefusal{"Invalid Root user Address",
                         "When configuring Tellmar to support multiple domains,\r\nthe administrators email address "
                         "must be ROOT@" +
                             example +
                             "\r\nPlease enter an email address with the user ID of 'ROOT' plus your domain",
                         RootAddressFor(text)};
  return std::nullopt;
}

std::error_code ApplyDomainSettings(const fs::path& ini, const DomainView& entry, bool remoteUpdate) {
  const auto doc = LoadProfile(ini);
  const std::string oldDomain = OldDomain(*doc);
  const bool wasSingle = OldModeSingle(*doc);
  ProfileBatch batch(ini);
  if (entry.single) {
    batch.Write("Environment", "UseDomain", "-1");
    batch.Write("Environment", "Domain", entry.text);
    batch.Write("Environment", "RootAddr", Holds(entry.text, '@') ? entry.text : "root@" + entry.text);
    if (!wasSingle) RewriteUserIds(*doc, batch, false, oldDomain, std::nullopt);
  } else {
    const std::string rootAddr = RootAddressFor(entry.text);
    batch.Write("Environment", "UseDomain", "0");
    batch.Write("Environment", "RootAddr", rootAddr);
    batch.Write("user0", "ID", rootAddr);
    if (wasSingle) RewriteUserIds(*doc, batch, true, oldDomain, rootAddr);
  }
  batch.Write("Environment", "RegDomain", entry.registered ? "-1" : "0");
  if (remoteUpdate) AddRemoteUpdate(batch);
  return batch.Commit();
}

}  // namespace tellmar::admin
