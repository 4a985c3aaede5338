#include "platform/win32/bridge/win32_bridge.h"

#include <winsock2.h>
#include <windows.h>

#include <gtest/gtest.h>

#include <chrono>
#include <string>
#include <thread>

#include "apps/notaro-bridge/bridge.h"
#include "gdi_dib_canvas.h"
#include "platform/win32/bridge/pad_frame.h"
#include "ports/platform.h"
#include "sigpad/quillpad_ctrl.h"
#include "sitelock/site_lock.h"

namespace kit::win32::bridge {
namespace {

int LocalPort(SOCKET s) {
  sockaddr_in a{};
  int n = sizeof a;
  getsockname(s, reinterpret_cast<sockaddr*>(&a), &n);
  return ntohs(a.sin_port);
}

TEST(Win32Bridge, TellsWhoseProgramMadeALoopbackConnection) {
  WSADATA wsa;
  ASSERT_EQ(WSAStartup(MAKEWORD(2, 2), &wsa), 0);
  SOCKET listener = socket(AF_INET, SOCK_STREAM, IPPROTO_TCP);
  sockaddr_in a{};
  a.sin_family = AF_INET;
  a.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  ASSERT_EQ(bind(listener, reinterpret_cast<sockaddr*>(&a), sizeof a), 0);
  ASSERT_EQ(listen(listener, 1), 0);
  const int server = LocalPort(listener);
  a.sin_port = htons(static_cast<u_short>(server));
  SOCKET client = socket(AF_INET, SOCK_STREAM, IPPROTO_TCP);
  ASSERT_EQ(connect(client, reinterpret_cast<sockaddr*>(&a), sizeof a), 0);
  SOCKET accepted = accept(listener, nullptr, nullptr);
  const int peer = LocalPort(client);
  // As a browser's request has been sent when the bridge asks (wine's
  // programs hold a socket's own descriptor only once they use it).
  char byte = 'x';
  ASSERT_EQ(send(client, &byte, 1, 0), 1);
  ASSERT_EQ(recv(accepted, &byte, 1, 0), 1);

  EXPECT_EQ(LoopbackPeerProcess(peer, server), GetCurrentProcessId());
  EXPECT_EQ(LoopbackPeerProcess(peer, server + 1), std::nullopt) << "no such connection";
  EXPECT_TRUE(SomeoneListensOn(server));
  EXPECT_FALSE(SomeoneListensOn(peer)) << "a connection, not a listener";
  EXPECT_TRUE(RunsAsThisUser(GetCurrentProcessId()));
  EXPECT_FALSE(RunsAsThisUser(0)) << "no process";
  closesocket(accepted);
  closesocket(client);
  closesocket(listener);
  WSACleanup();
}

// The kit's key as the package and the 32-bit controls write it.
HKEY CreateSettingsKey(HKEY root) {
  const std::wstring path = L"SOFTWARE\\\u6f84\u5c9a\u5e02\u7535\u653f\u529e\\Controls";  // 澄岚市电政办
  HKEY key = nullptr;
  RegCreateKeyExW(root, path.c_str(), 0, nullptr, 0, KEY_ALL_ACCESS | KEY_WOW64_32KEY, nullptr, &key, nullptr);
  return key;
}

TEST(Win32Bridge, ReadsThePortAndTheSiteListWhereThePackageWritesThem) {
  ASSERT_STREQ(sitelock::kSiteListKey, "SOFTWARE\\澄岚市电政办\\Controls");
  HKEY machine = CreateSettingsKey(HKEY_LOCAL_MACHINE), user = CreateSettingsKey(HKEY_CURRENT_USER);
  ASSERT_NE(machine, nullptr);
  ASSERT_NE(user, nullptr);
  const std::wstring list = L"http://oa.example.gov.cn;http://\u529e\u516c.example";  // 办公
  RegSetValueExW(machine, L"SiteList", 0, REG_SZ, reinterpret_cast<const BYTE*>(list.c_str()),
                 static_cast<DWORD>((list.size() + 1) * sizeof(wchar_t)));
  const DWORD everyone = 20001, mine = 20002;
  RegSetValueExW(machine, L"BridgePort", 0, REG_DWORD, reinterpret_cast<const BYTE*>(&everyone), sizeof everyone);
  RegSetValueExW(user, L"BridgePort", 0, REG_DWORD, reinterpret_cast<const BYTE*>(&mine), sizeof mine);
  // A site list of a user is not the office's.
  RegSetValueExW(user, L"SiteList", 0, REG_SZ, reinterpret_cast<const BYTE*>(L"http://x"), 18);

  SettingsRegistry registry;
  const kit::bridge::Settings read = kit::bridge::ReadSettings(registry, *DefaultPlatform().codepage);
  EXPECT_EQ(read.port, 20002);
  EXPECT_EQ(read.site_list, "http://oa.example.gov.cn;http://办公.example");
  RegDeleteValueW(user, L"BridgePort");
  EXPECT_EQ(kit::bridge::ReadSettings(registry, *DefaultPlatform().codepage).port, 20001);

  RegDeleteValueW(user, L"SiteList");
  RegDeleteValueW(machine, L"BridgePort");
  RegDeleteValueW(machine, L"SiteList");
  RegCloseKey(user);
  RegCloseKey(machine);
  EXPECT_EQ(kit::bridge::ReadSettings(registry, *DefaultPlatform().codepage).port, kit::bridge::kDefaultPort);
}

LRESULT CALLBACK CountingProc(HWND hwnd, UINT msg, WPARAM w, LPARAM l) {
  if (msg == WM_APP) ++*reinterpret_cast<int*>(GetWindowLongPtrW(hwnd, GWLP_USERDATA));
  return DefWindowProcW(hwnd, msg, w, l);
}

TEST(Win32Bridge, TheServingThreadKeepsItsWindowsAliveAndWakesForARequest) {
  using Clock = std::chrono::steady_clock;
  MessageLoopWaiting waiting;
  // A message for a window of this thread is handled while it waits.
  WNDCLASSW wc{};
  wc.lpfnWndProc = CountingProc;
  wc.lpszClassName = L"KitBridgeTestWindow";
  RegisterClassW(&wc);
  HWND window = CreateWindowExW(0, wc.lpszClassName, L"", 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr, nullptr, nullptr);
  ASSERT_NE(window, nullptr);
  int handled = 0;
  SetWindowLongPtrW(window, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(&handled));
  PostMessageW(window, WM_APP, 0, 0);
  auto start = Clock::now();
  waiting.Wait(std::chrono::seconds(10), [] { return false; });
  EXPECT_EQ(handled, 1);
  EXPECT_LT(Clock::now() - start, std::chrono::seconds(5));

  // Another thread's request ends the wait.
  std::thread io([&waiting] {
    std::this_thread::sleep_for(std::chrono::milliseconds(100));
    waiting.Wake();
  });
  start = Clock::now();
  waiting.Wait(std::chrono::seconds(10), [] { return false; });
  io.join();
  EXPECT_LT(Clock::now() - start, std::chrono::seconds(5));
  // A request already there: no wait at all.
  start = Clock::now();
  waiting.Wait(std::chrono::seconds(10), [] { return true; });
  EXPECT_LT(Clock::now() - start, std::chrono::seconds(1));
  EXPECT_FALSE(waiting.QuitSeen());
  PostQuitMessage(0);
  waiting.Wait(std::chrono::seconds(10), [] { return false; });
  EXPECT_TRUE(waiting.QuitSeen());
  DestroyWindow(window);
}

// While a call's modal window runs its own loop on the serving thread, a
// request reaches that loop; the serving loop's own wait takes it itself.
TEST(Win32Bridge, ARequestComingWhileAModalLoopRunsIsAnsweredInThatLoop) {
  using Clock = std::chrono::steady_clock;
  bool ended = false;
  int answered = 0;
  MessageLoopWaiting waiting([&] {
    ++answered;
    ended = true;
  });
  waiting.Wake();
  waiting.Wait(std::chrono::seconds(10), [] { return true; });
  EXPECT_EQ(answered, 0);

  std::thread io([&waiting] {
    std::this_thread::sleep_for(std::chrono::milliseconds(100));
    waiting.Wake();
  });
  // As the system's modal loops do: every message dispatched, those without
  // a window lost.
  const auto deadline = Clock::now() + std::chrono::seconds(10);
  while (!ended && Clock::now() < deadline) {
    MsgWaitForMultipleObjectsEx(0, nullptr, 100, QS_ALLINPUT, 0);
    MSG msg;
    while (!ended && PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
      TranslateMessage(&msg);
      DispatchMessageW(&msg);
    }
  }
  io.join();
  EXPECT_EQ(answered, 1);
}

// The pad a page shows: its drawing area where the page says and at that
// size, the pad drawing at that size; the user's closing only hides it.
TEST(Win32Bridge, APadsFrameHoldsThePadWhereThePageSays) {
  GdiDibCanvasFactory canvas;
  sigpad::QuillpadPorts ports;
  ports.canvas = &canvas;
  sigpad::UCQuillpad pad(ports);
  PadFrame frame(pad, GetModuleHandleW(nullptr));
  ASSERT_NE(frame.window(), nullptr);
  EXPECT_FALSE(IsWindowVisible(frame.window()));
  for (const RECT& place : {RECT{100, 120, 496, 355}, RECT{300, 40, 800, 340}}) {
    frame.Place(place);
    RECT client{};
    GetClientRect(frame.window(), &client);
    POINT origin{0, 0};
    ClientToScreen(frame.window(), &origin);
    EXPECT_EQ(origin.x, place.left);
    EXPECT_EQ(origin.y, place.top);
    EXPECT_EQ(client.right, place.right - place.left);
    EXPECT_EQ(client.bottom, place.bottom - place.top);
    EXPECT_TRUE(IsWindowVisible(frame.window()));
    EXPECT_EQ(pad.picMain().width, place.right - place.left);
    EXPECT_EQ(pad.picMain().height, place.bottom - place.top - sigpad::kToolbarHeight);
    SendMessageW(frame.window(), WM_CLOSE, 0, 0);
    EXPECT_FALSE(IsWindowVisible(frame.window()));
    ASSERT_TRUE(IsWindow(frame.window()));
  }
  EXPECT_EQ(PadFrame::Handling(), nullptr);
}

}  // namespace
}  // namespace kit::win32::bridge
