#include "sitelock/site_lock.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <iterator>
#include <string>
#include <vector>

#include "tests/common/golden.h"

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
  kit::testing::ExpectTable(KIT_TESTS_DIR "/sitelock/site_lock.table", [](const std::string& in) {
    const std::vector<std::string> f = kit::testing::Fields(in);
    const char* zones[] = {"LocalMachine", "Intranet", "Trusted", "Internet", "Restricted"};
    FakeSite site;
    site.on_page = f.at(0) != "(no page)";
    site.address = site.on_page ? f[0] : "";
    site.zone = static_cast<UrlZone>(std::find(std::begin(zones), std::end(zones), f.at(1)) - std::begin(zones));
    site.list = kList;
    return IsAnswered(site) ? "answered" : "refused";
  });
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
