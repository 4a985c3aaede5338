// The version resources of the deliverables as Windows reads them.
#include <windows.h>

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "dialer/about.h"

namespace {

struct VersionInfo {
  std::vector<char> data;
  bool Read(const char* file) {
    DWORD ignored = 0;
    DWORD size = GetFileVersionInfoSizeA(file, &ignored);
    if (size == 0) return false;
    data.resize(size);
    return GetFileVersionInfoA(file, 0, size, data.data()) != 0;
  }
  const VS_FIXEDFILEINFO* Fixed() {
    void* p = nullptr;
    UINT len = 0;
    if (!VerQueryValueA(data.data(), "\\", &p, &len) || len < sizeof(VS_FIXEDFILEINFO)) return nullptr;
    return static_cast<const VS_FIXEDFILEINFO*>(p);
  }
  // The string as UTF-8, or "<none>" when the block lacks it.
  std::string String(const char* name) {
    std::wstring key = L"\\StringFileInfo\\080404b0\\";
    for (const char* c = name; *c; ++c) key += static_cast<wchar_t>(*c);
    void* p = nullptr;
    UINT len = 0;
    if (!VerQueryValueW(data.data(), key.c_str(), &p, &len)) return "<none>";
    const wchar_t* w = static_cast<const wchar_t*>(p);
    int wlen = static_cast<int>(wcsnlen(w, len));
    int n = WideCharToMultiByte(CP_UTF8, 0, w, wlen, nullptr, 0, nullptr, nullptr);
    std::string out(static_cast<size_t>(n), '\0');
    WideCharToMultiByte(CP_UTF8, 0, w, wlen, out.data(), n, nullptr, nullptr);
    return out;
  }
};

struct Deliverable {
  const char* file;
  const char* original;
  int major, minor, build, revision;
  const char* product;
  bool selfreg;
};

std::string Dotted(const Deliverable& d) {
  return std::to_string(d.major) + "." + std::to_string(d.minor) + "." + std::to_string(d.build) + "." +
         std::to_string(d.revision);
}

TEST(DeliverableVersions, EachFileNamesItsVersionMakerAndProduct) {
  using namespace kit::dialer;
  const Deliverable all[] = {
      {KIT_NOTARO_OCX, "Notaro.ocx", KIT_VERSION_MAJOR, KIT_VERSION_MINOR, KIT_VERSION_PATCH, 0, "Notaro", true},
      {KIT_QUILLPAD_OCX, "Quillpad.ocx", KIT_VERSION_MAJOR, KIT_VERSION_MINOR, KIT_VERSION_PATCH, 0, "Quillpad",
       true},
      // The dialers' about box reads major.minor.revision of the program's own version.
      {KIT_TUNNELGATE_EXE, "Tunnelgate.exe", kVersionMajor, kVersionMinor, 0, kVersionRevision,
       "澄岚市电子政务办公网VPN拨号工具", false},
      {KIT_TUNNELPOST_EXE, "Tunnelpost.exe", kVersionMajor, kVersionMinor, 0, kVersionRevision,
       "澄岚市协同办公网VPN拨号工具纯净版", false},
#ifdef KIT_NOTAROBRIDGE_EXE
      // The bridge for pages in browsers without ActiveX, on Windows 10 and later.
      {KIT_NOTAROBRIDGE_EXE, "NotaroBridge.exe", KIT_VERSION_MAJOR, KIT_VERSION_MINOR, KIT_VERSION_PATCH, 0,
       "NotaroBridge", false},
#endif
  };
  for (const Deliverable& d : all) {
    SCOPED_TRACE(d.original);
    VersionInfo info;
    ASSERT_TRUE(info.Read(d.file));
    const VS_FIXEDFILEINFO* fixed = info.Fixed();
    ASSERT_NE(fixed, nullptr);
    EXPECT_EQ(fixed->dwSignature, 0xFEEF04BDu);
    EXPECT_EQ(fixed->dwFileVersionMS, static_cast<DWORD>(MAKELONG(d.minor, d.major)));
    EXPECT_EQ(fixed->dwFileVersionLS, static_cast<DWORD>(MAKELONG(d.revision, d.build)));
    EXPECT_EQ(fixed->dwProductVersionMS, fixed->dwFileVersionMS);
    EXPECT_EQ(fixed->dwProductVersionLS, fixed->dwFileVersionLS);
    EXPECT_EQ(fixed->dwFileType, static_cast<DWORD>(d.selfreg ? VFT_DLL : VFT_APP));
    EXPECT_EQ(info.String("FileVersion"), Dotted(d));
    EXPECT_EQ(info.String("ProductVersion"), Dotted(d));
    EXPECT_EQ(info.String("CompanyName"), "澄岚市电子政务办公室");
    EXPECT_EQ(info.String("ProductName"), d.product);
    EXPECT_EQ(info.String("OriginalFilename"), d.original);
    EXPECT_EQ(info.String("OLESelfRegister") != "<none>", d.selfreg);
  }
}

}  // namespace
