#include "sitelock/site_lock.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace kit::sitelock {
namespace {

using automation::AutomationError;
using automation::InvokeKind;
using automation::Variant;

class FakeSite : public IPageSite {
 public:
  bool on_page = true;
  std::string address;
  UrlZone zone = UrlZone::Internet;
  std::string list;
  int zone_asked = 0;
  bool OnPage() override { return on_page; }
  std::string PageAddress() override { return address; }
  UrlZone ZoneOf(const std::string&) override {
    ++zone_asked;
    return zone;
  }
  std::string SiteList() override { return list; }
};

constexpr char kList[] = " http://oa.chenglan.gov.cn ;; https://doc.chenglan.gov.cn:8443/;HTTP://10.1.2.3:8080 ;"
                         "http://[fe80::1];http://scoped.chenglan.gov.cn/oa/;ftp://files.chenglan.gov.cn";

TEST(SiteLock, TheRuleAnswersIntranetTrustedListedAndSitelessHosts) {
  const struct {
    bool on_page;
    const char* address;
    UrlZone zone;
    bool answered;
  } cases[] = {
      {false, "", UrlZone::Internet, true},  // a script host or a program's own container
      {true, "", UrlZone::Intranet, false},  // a page that tells no address
      {true, "http://oa/desk.jsp", UrlZone::Intranet, true},
      {true, "http://partner.example/desk.jsp", UrlZone::Trusted, true},
      {true, "http://evil.example/page.htm", UrlZone::Internet, false},
      {true, "file:///C:/Temp/page.htm", UrlZone::LocalMachine, false},
      {true, "http://evil.example/", UrlZone::Restricted, false},
      // On the list, in whatever zone the system puts them.
      {true, "http://oa.chenglan.gov.cn/desk/main.jsp?id=1", UrlZone::Internet, true},
      {true, "HTTP://OA.Chenglan.GOV.cn:80/x", UrlZone::Internet, true},
      {true, "http://oa.chenglan.gov.cn./x", UrlZone::Internet, true},
      {true, "http://user:pw@oa.chenglan.gov.cn/x", UrlZone::Internet, true},
      {true, "https://doc.chenglan.gov.cn:8443/a", UrlZone::Internet, true},
      {true, "http://10.1.2.3:8080/a", UrlZone::Internet, true},
      {true, "http://[FE80::1]:80/a", UrlZone::Internet, true},
      {true, "ftp://files.chenglan.gov.cn/a.doc", UrlZone::Internet, true},
      // Near misses: another scheme, port, host, or the listed name where no
      // browser would go.
      {true, "https://oa.chenglan.gov.cn/x", UrlZone::Internet, false},
      {true, "http://oa.chenglan.gov.cn:8080/x", UrlZone::Internet, false},
      {true, "https://doc.chenglan.gov.cn/a", UrlZone::Internet, false},
      {true, "http://10.1.2.3/a", UrlZone::Internet, false},
      {true, "http://oa.chenglan.gov.cn.evil.example/x", UrlZone::Internet, false},
      {true, "http://oa.chenglan.gov.cn@evil.example/x", UrlZone::Internet, false},
      {true, "http://evil.example/?http://oa.chenglan.gov.cn", UrlZone::Internet, false},
      {true, "http:\\\\evil.example\\oa.chenglan.gov.cn", UrlZone::Internet, false},
      {true, "http://oa%2Echenglan.gov.cn/x", UrlZone::Internet, false},
      {true, "http://oa.chenglan.gov.cn:99999/x", UrlZone::Internet, false},
      // An entry with a path is not taken at all.
      {true, "http://scoped.chenglan.gov.cn/oa/page.jsp", UrlZone::Internet, false},
      {true, "oa.chenglan.gov.cn", UrlZone::Internet, false},
  };
  for (const auto& c : cases) {
    FakeSite site;
    site.on_page = c.on_page;
    site.address = c.address;
    site.zone = c.zone;
    site.list = kList;
    EXPECT_EQ(IsAnswered(site), c.answered) << "'" << c.address << "' zone " << static_cast<int>(c.zone);
  }
}

// A member that counts its calls, to see that a refused page reaches nothing.
class Counter : public automation::IDispatchObject {
 public:
  int calls = 0;
  const automation::DispatchTable& Members() const override {
    static const automation::DispatchTable table(
        {automation::MemberInfo{1, "Save", automation::MemberKind::Method, {}, automation::VarType::Empty, ""}});
    return table;
  }
  Variant Invoke(automation::DispId, InvokeKind, const std::vector<Variant>&) override {
    ++calls;
    return Variant::I4(7);
  }
};

// An answered control is judged again when its site changes; a refused one
// stays refused wherever it goes, and no call reaches the control.
TEST(SiteLock, ARefusedPageGetsAccessDeniedFromEveryCallAndStaysRefused) {
  FakeSite site;
  site.on_page = false;
  auto lock = std::make_shared<SiteLock>(site);
  auto counter = std::make_shared<Counter>();
  auto locked = Locked(counter, lock, "Notaro");
  EXPECT_EQ(&locked->Members(), &counter->Members());
  EXPECT_EQ(locked->Invoke(1, InvokeKind::Method, {}), Variant::I4(7));
  site.on_page = true;
  site.address = "http://evil.example/";
  EXPECT_EQ(locked->Invoke(1, InvokeKind::Method, {}), Variant::I4(7));  // not told yet
  lock->SiteChanged();
  for (InvokeKind kind : {InvokeKind::Method, InvokeKind::PropertyGet, InvokeKind::PropertyPut}) {
    try {
      locked->Invoke(1, kind, {});
      ADD_FAILURE() << "no error";
    } catch (const AutomationError& e) {
      EXPECT_EQ(e.code(), kAccessDenied);
      EXPECT_STREQ(e.what(), "access denied");
      EXPECT_EQ(e.source(), "Notaro");
    }
  }
  EXPECT_EQ(counter->calls, 2);
  EXPECT_EQ(site.zone_asked, 1);  // judged once per site
  site.address = "http://oa/";
  site.zone = UrlZone::Intranet;
  lock->SiteChanged();
  EXPECT_FALSE(lock->Answered());
  site.on_page = false;
  lock->SiteChanged();
  EXPECT_FALSE(lock->Answered());
}

}  // namespace
}  // namespace kit::sitelock
