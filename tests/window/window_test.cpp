// Opens the real main window and drives it as a user does, with window messages sent to its
// controls: clicks, keys, mouse presses, and a close while a page is being read. Queries go to
// the local profile service that CTest starts.
#include <gtest/gtest.h>
#include <windows.h>
#include <winsock2.h>

#include <chrono>
#include <cstdint>
#include <cstdlib>
#include <deque>
#include <fstream>
#include <functional>
#include <memory>
#include <string>
#include <thread>

#include "app/main_window.h"
#include "app/win_handles.h"
#include "encoding/codepage.h"
#include "local_service.h"

namespace pelmora {
namespace {

std::wstring Wide(std::string_view utf8) {
  const std::u16string text = Utf8ToUtf16(utf8);
  return std::wstring(text.begin(), text.end());
}

std::string WindowTextUtf8(HWND window) {
  const int length = GetWindowTextLengthW(window);
  std::wstring text(static_cast<std::size_t>(length) + 1, L'\0');
  text.resize(static_cast<std::size_t>(GetWindowTextW(window, text.data(), length + 1)));
  return Utf16ToUtf8(std::u16string(text.begin(), text.end()));
}

// The reports for the service's player: likes 321, parts 1234, 56 and 78, ranks 15 and 27.
std::string FullReport(std::string_view name) {
  return std::string(name) +
         "的资料信息：\r\n321 (赞)\r\n1234+56+78=1368  (基础分+胜率+胜场=战斗力)\r\n15/27 "
         "(单排/双排)";
}
std::string PowerOnlyReport(std::string_view name) {
  return std::string(name) + "的资料信息：\r\n战斗力：1368";
}
// The full layout over a record fetched in power-only mode: no likes, no ranks.
std::string FullReportOfPowerOnlyRecord(std::string_view name) {
  return std::string(name) +
         "的资料信息：\r\n0 (赞)\r\n1234+56+78=1368  (基础分+胜率+胜场=战斗力)\r\n0/0 (单排/双排)";
}

// Handles every waiting message; a quit message is taken out of the queue. True if one was there.
bool DrainMessages() {
  bool quit = false;
  MSG msg;
  while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
    if (msg.message == WM_QUIT) {
      quit = true;
      continue;
    }
    TranslateMessage(&msg);
    DispatchMessageW(&msg);
  }
  return quit;
}

// Runs actions from inside the thread's message dispatching: an action posted now runs at the
// next dispatch, which during a query is the fetch's pump between two reads of the page.
class DuringPump {
 public:
  DuringPump() {
    WNDCLASSW wc{};
    wc.lpfnWndProc = &Proc;
    wc.hInstance = GetModuleHandleW(nullptr);
    wc.lpszClassName = L"PelmoraTestDuringPump";
    RegisterClassW(&wc);  // fails harmlessly when an earlier test registered it
    window_ = CreateWindowExW(0, wc.lpszClassName, L"", 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr,
                              wc.hInstance, nullptr);
    SetWindowLongPtrW(window_, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(this));
  }
  DuringPump(const DuringPump&) = delete;
  DuringPump& operator=(const DuringPump&) = delete;
  ~DuringPump() { DestroyWindow(window_); }

  void Post(std::function<void()> action) {
    actions_.push_back(std::move(action));
    PostMessageW(window_, WM_APP, 0, 0);
  }
  int ran() const { return ran_; }

 private:
  static LRESULT CALLBACK Proc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    auto* self = reinterpret_cast<DuringPump*>(GetWindowLongPtrW(window, GWLP_USERDATA));
    if (message == WM_APP && self != nullptr && !self->actions_.empty()) {
      std::function<void()> action = std::move(self->actions_.front());
      self->actions_.pop_front();
      ++self->ran_;
      action();
      return 0;
    }
    return DefWindowProcW(window, message, wParam, lParam);
  }

  HWND window_ = nullptr;
  std::deque<std::function<void()>> actions_;
  int ran_ = 0;
};

class MainWindowTest : public ::testing::Test {
 protected:
  void SetUp() override { Open(LocalServiceHost()); }
  void TearDown() override {
    window_.reset();
    DrainMessages();
  }

  void Open(const std::string& host) {
    window_ = std::make_unique<MainWindow>(GetModuleHandleW(nullptr), host);
    ASSERT_TRUE(window_->IsOpen());
    window_->Show(SW_SHOWNORMAL);
    DrainMessages();
  }

  HWND Of(Control control) const { return window_->ControlHandle(control); }
  std::string TextOf(Control control) const { return WindowTextUtf8(Of(control)); }
  void Click(Control control) { SendMessageW(Of(control), BM_CLICK, 0, 0); }
  void PressKey(WPARAM key) { SendMessageW(Of(Control::编辑框1), WM_KEYDOWN, key, 1); }
  // A press and its release; a right release would open the box's context menu, so a right
  // press is sent alone.
  void PressMouse(UINT down) {
    SendMessageW(Of(Control::编辑框1), down, 0, MAKELPARAM(5, 5));
    if (down == WM_LBUTTONDOWN)
      SendMessageW(Of(Control::编辑框1), WM_LBUTTONUP, 0, MAKELPARAM(5, 5));
  }
  void SetName(std::string_view utf8) { SetWindowTextW(Of(Control::编辑框1), Wide(utf8).c_str()); }
  bool Ticked() const {
    return SendMessageW(Of(Control::选择框1), BM_GETCHECK, 0, 0) == BST_CHECKED;
  }

  std::unique_ptr<MainWindow> window_;
};

// --- The window as it opens -------------------------------------------------------------------

RECT ClientRectOf(HWND control, HWND parent) {
  RECT r;
  GetWindowRect(control, &r);
  MapWindowPoints(nullptr, parent, reinterpret_cast<POINT*>(&r), 2);
  return r;
}

TEST_F(MainWindowTest, FrameIsFixedCentredAndCaptioned) {
  HWND main = window_->Handle();
  RECT frame;
  GetWindowRect(main, &frame);
  EXPECT_EQ(frame.right - frame.left, 367);
  EXPECT_EQ(frame.bottom - frame.top, 280);
  EXPECT_EQ(frame.left, (GetSystemMetrics(SM_CXSCREEN) - 367) / 2);
  EXPECT_EQ(frame.top, (GetSystemMetrics(SM_CYSCREEN) - 280) / 2);
  EXPECT_EQ(WindowTextUtf8(main), "Pelmora V1.1");

  const LONG style = GetWindowLongW(main, GWL_STYLE);
  EXPECT_EQ(style & WS_CAPTION, WS_CAPTION);
  EXPECT_TRUE(style & WS_SYSMENU);
  EXPECT_FALSE(style & WS_THICKFRAME) << "the frame must not be sizeable";
  EXPECT_FALSE(style & WS_MINIMIZEBOX);
  EXPECT_FALSE(style & WS_MAXIMIZEBOX);
}

TEST_F(MainWindowTest, IconIs48By48WithFullColour) {
  HICON icon = reinterpret_cast<HICON>(SendMessageW(window_->Handle(), WM_GETICON, ICON_BIG, 0));
  ASSERT_NE(icon, nullptr);
  ICONINFO info{};
  ASSERT_TRUE(GetIconInfo(icon, &info));
  BITMAP colour{};
  GetObjectW(info.hbmColor, sizeof(colour), &colour);
  EXPECT_EQ(colour.bmWidth, 48);
  EXPECT_EQ(colour.bmHeight, 48);
  EXPECT_EQ(colour.bmBitsPixel, 32);
  DeleteObject(info.hbmColor);
  DeleteObject(info.hbmMask);
}

TEST_F(MainWindowTest, BackgroundPictureFillsTheClientArea) {
  HWND main = window_->Handle();
  RECT client;
  GetClientRect(main, &client);
  BITMAPINFO bi{};
  bi.bmiHeader.biSize = sizeof(bi.bmiHeader);
  bi.bmiHeader.biWidth = client.right;
  bi.bmiHeader.biHeight = -client.bottom;
  bi.bmiHeader.biPlanes = 1;
  bi.bmiHeader.biBitCount = 32;
  void* bits = nullptr;
  Bitmap canvas(CreateDIBSection(nullptr, &bi, DIB_RGB_COLORS, &bits, nullptr, 0));
  ASSERT_TRUE(canvas);
  HDC dc = CreateCompatibleDC(nullptr);
  HGDIOBJ old = SelectObject(dc, canvas.Get());

  EXPECT_NE(SendMessageW(main, WM_ERASEBKGND, reinterpret_cast<WPARAM>(dc), 0), 0);
  GdiFlush();
  const auto* pixels = static_cast<const std::uint32_t*>(bits);
  const COLORREF face = GetSysColor(COLOR_BTNFACE);
  const std::uint32_t faceBgr = (GetRValue(face) << 16) | (GetGValue(face) << 8) | GetBValue(face);
  std::uint32_t first = pixels[0] & 0xFFFFFF;
  bool varied = false;
  // A grid over the whole client area, its far edges included: all picture, none left bare.
  for (int gy = 0; gy <= 4; ++gy) {
    for (int gx = 0; gx <= 4; ++gx) {
      const int x = (client.right - 1) * gx / 4;
      const int y = (client.bottom - 1) * gy / 4;
      const std::uint32_t p = pixels[y * client.right + x] & 0xFFFFFF;
      EXPECT_NE(p, 0u) << "nothing drawn at " << x << "," << y;
      EXPECT_NE(p, faceBgr) << "bare background at " << x << "," << y;
      varied = varied || p != first;
    }
  }
  EXPECT_TRUE(varied) << "a picture, not one colour";
  SelectObject(dc, old);
  DeleteDC(dc);
}

struct ControlCase {
  Control control;
  const wchar_t* className;
  int left, top, width, height;  // in the main window's client area
  const char* text;              // null: not looked at
  DWORD typeMask, type;          // the kind of control
  DWORD required, forbidden;     // further style bits
};

TEST_F(MainWindowTest, ControlsStandWhereTheLayoutPutsThem) {
  const ControlCase cases[] = {
      {Control::分组框1, L"Button", 3, 85, 352, 156, "查询的名字：", BS_TYPEMASK, BS_GROUPBOX, 0,
       0},
      // 12, 54 inside the group box.
      {Control::标签1, L"Static", 15, 139, 328, 86, "", SS_TYPEMASK, SS_LEFT, SS_NOPREFIX, 0},
      {Control::选择框1, L"Button", 224, 82, 120, 16, "只查战斗力", BS_TYPEMASK, BS_AUTOCHECKBOX, 0,
       0},
      {Control::编辑框1, L"Edit", 10, 105, 147, 20, "Quillfen", ES_CENTER | ES_RIGHT, ES_LEFT,
       ES_AUTOHSCROLL,
       ES_MULTILINE | ES_READONLY | ES_PASSWORD | ES_UPPERCASE | ES_LOWERCASE | ES_NUMBER},
      // The closed box is as tall as its font makes it (Wine ignores a set field height).
      {Control::组合框1, L"ComboBox", 166, 105, 100, 0, nullptr, 0x3, CBS_DROPDOWNLIST, 0,
       CBS_SORT},
      {Control::按钮1, L"Button", 278, 105, 64, 20, "查询", BS_TYPEMASK, BS_PUSHBUTTON, 0, 0},
  };
  HWND main = window_->Handle();
  for (const ControlCase& c : cases) {
    HWND control = Of(c.control);
    SCOPED_TRACE(WindowTextUtf8(control));
    ASSERT_NE(control, nullptr);
    EXPECT_EQ(GetParent(control), main);
    wchar_t className[32] = {};
    GetClassNameW(control, className, 32);
    EXPECT_EQ(lstrcmpiW(className, c.className), 0);
    const RECT r = ClientRectOf(control, main);
    EXPECT_EQ(r.left, c.left);
    EXPECT_EQ(r.top, c.top);
    EXPECT_EQ(r.right - r.left, c.width);
    if (c.height != 0) {
      EXPECT_EQ(r.bottom - r.top, c.height);
    }
    if (c.text != nullptr) {
      EXPECT_EQ(WindowTextUtf8(control), c.text);
    }
    const DWORD style = static_cast<DWORD>(GetWindowLongW(control, GWL_STYLE));
    EXPECT_EQ(style & c.typeMask, c.type);
    EXPECT_EQ(style & c.required, c.required);
    EXPECT_EQ(style & c.forbidden, 0u);
    EXPECT_TRUE(style & WS_VISIBLE);
  }

  const RECT group = ClientRectOf(Of(Control::分组框1), main);
  const RECT label = ClientRectOf(Of(Control::标签1), main);
  EXPECT_EQ(label.left - group.left, 12);
  EXPECT_EQ(label.top - group.top, 54);
}

TEST_F(MainWindowTest, LabelFontAndChineseFonts) {
  LOGFONTW font{};
  HFONT labelFont = reinterpret_cast<HFONT>(SendMessageW(Of(Control::标签1), WM_GETFONT, 0, 0));
  ASSERT_NE(labelFont, nullptr);
  GetObjectW(labelFont, sizeof(font), &font);
  EXPECT_STREQ(font.lfFaceName, L"黑体");
  EXPECT_EQ(font.lfHeight, -16);
  EXPECT_EQ(font.lfWidth, 0);
  EXPECT_EQ(font.lfEscapement, 0);
  EXPECT_EQ(font.lfOrientation, 0);
  EXPECT_EQ(font.lfWeight, 400);
  EXPECT_EQ(font.lfItalic, 0);
  EXPECT_EQ(font.lfUnderline, 0);
  EXPECT_EQ(font.lfStrikeOut, 0);
  EXPECT_EQ(font.lfCharSet, 134);
  EXPECT_EQ(font.lfOutPrecision, 3);
  EXPECT_EQ(font.lfClipPrecision, 2);
  EXPECT_EQ(font.lfQuality, 1);
  EXPECT_EQ(font.lfPitchAndFamily, 2);

  for (Control c :
       {Control::分组框1, Control::选择框1, Control::编辑框1, Control::组合框1, Control::按钮1}) {
    HFONT f = reinterpret_cast<HFONT>(SendMessageW(Of(c), WM_GETFONT, 0, 0));
    ASSERT_NE(f, nullptr);
    LOGFONTW lf{};
    GetObjectW(f, sizeof(lf), &lf);
    EXPECT_EQ(lf.lfCharSet, GB2312_CHARSET) << WindowTextUtf8(Of(c));
  }
}

TEST_F(MainWindowTest, NameBoxIsWhite) {
  HDC dc = CreateCompatibleDC(nullptr);
  HBRUSH brush = reinterpret_cast<HBRUSH>(
      SendMessageW(window_->Handle(), WM_CTLCOLOREDIT, reinterpret_cast<WPARAM>(dc),
                   reinterpret_cast<LPARAM>(Of(Control::编辑框1))));
  LOGBRUSH lb{};
  ASSERT_NE(GetObjectW(brush, sizeof(lb), &lb), 0);
  EXPECT_EQ(lb.lbColor, RGB(255, 255, 255));
  EXPECT_EQ(GetBkColor(dc), RGB(255, 255, 255));
  DeleteDC(dc);
}

TEST_F(MainWindowTest, StartsWithQuillfenAndTheFirstServer) {
  EXPECT_EQ(TextOf(Control::编辑框1), "Quillfen");
  EXPECT_EQ(TextOf(Control::标签1), "");
  EXPECT_FALSE(Ticked());
  HWND servers = Of(Control::组合框1);
  EXPECT_EQ(SendMessageW(servers, CB_GETCOUNT, 0, 0), 24);
  EXPECT_EQ(SendMessageW(servers, CB_GETCURSEL, 0, 0), 0);
  EXPECT_EQ(TextOf(Control::组合框1), "艾欧尼亚");
}

// --- The control operations -----------------------------------------------------------------

TEST_F(MainWindowTest, SelectionIsClampedToTheItems) {
  const struct {
    int set;
    int expected;
  } cases[] = {{5, 5}, {0, 0}, {23, 23}, {24, 23}, {1000, 23}, {-1, -1}, {-7, -1}};
  for (const auto& c : cases) {
    window_->SetSelectedIndex(Control::组合框1, c.set);
    EXPECT_EQ(window_->GetSelectedIndex(Control::组合框1), c.expected) << "set " << c.set;
  }
  SendMessageW(Of(Control::组合框1), CB_RESETCONTENT, 0, 0);
  window_->SetSelectedIndex(Control::组合框1, 3);
  EXPECT_EQ(window_->GetSelectedIndex(Control::组合框1), -1) << "an empty box selects nothing";
}

TEST_F(MainWindowTest, TextsCrossInGbk) {
  const Text name = Utf8ToGbk("玩家 Ω&1");  // Ω is in GBK too
  window_->SetControlText(Control::编辑框1, name);
  EXPECT_EQ(TextOf(Control::编辑框1), "玩家 Ω&1");
  EXPECT_EQ(window_->GetControlText(Control::编辑框1), name);
  window_->AddItem(Control::组合框1, Utf8ToGbk("末尾"));
  EXPECT_EQ(SendMessageW(Of(Control::组合框1), CB_GETCOUNT, 0, 0), 25);
  window_->SetSelectedIndex(Control::组合框1, 24);
  EXPECT_EQ(TextOf(Control::组合框1), "末尾") << "added last, never sorted";
  EXPECT_EQ(window_->IsChecked(Control::选择框1), 0);
  Click(Control::选择框1);
  EXPECT_EQ(window_->IsChecked(Control::选择框1), 1);
}

// --- Input that starts nothing but edits ------------------------------------------------------

TEST_F(MainWindowTest, LeftPressEmptiesTheNameBoxRightPressDoesNot) {
  const struct {
    UINT press;
    const char* before;
    const char* after;
  } cases[] = {
      {WM_LBUTTONDOWN, "Quillfen", ""},
      {WM_LBUTTONDOWN, "输入的名字", ""},
      {WM_RBUTTONDOWN, "输入的名字", "输入的名字"},
  };
  for (const auto& c : cases) {
    SetName(c.before);
    PressMouse(c.press);
    EXPECT_EQ(TextOf(Control::编辑框1), c.after) << c.before;
  }
  EXPECT_EQ(TextOf(Control::标签1), "") << "no query started";
}

TEST_F(MainWindowTest, KeysOtherThanEnterStartNothing) {
  for (WPARAM key : {WPARAM{'A'}, WPARAM{VK_SPACE}, WPARAM{VK_ESCAPE}, WPARAM{VK_TAB},
                     WPARAM{VK_F5}, WPARAM{VK_SEPARATOR}}) {
    PressKey(key);
  }
  EXPECT_EQ(TextOf(Control::标签1), "");
  EXPECT_EQ(TextOf(Control::编辑框1), "Quillfen");
}

// A listening socket that counts as a profile service nobody may call.
class SilentService {
 public:
  SilentService() {
    WSADATA data;
    started_ = WSAStartup(MAKEWORD(2, 2), &data) == 0;
    socket_ = ::socket(AF_INET, SOCK_STREAM, IPPROTO_TCP);
    sockaddr_in at{};
    at.sin_family = AF_INET;
    at.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    ::bind(socket_, reinterpret_cast<sockaddr*>(&at), sizeof(at));
    ::listen(socket_, 4);
    int length = sizeof(at);
    ::getsockname(socket_, reinterpret_cast<sockaddr*>(&at), &length);
    port_ = ntohs(at.sin_port);
  }
  SilentService(const SilentService&) = delete;
  SilentService& operator=(const SilentService&) = delete;
  ~SilentService() {
    if (socket_ != INVALID_SOCKET) closesocket(socket_);
    if (started_) WSACleanup();
  }
  std::string host() const { return "127.0.0.1:" + std::to_string(port_); }
  bool WasCalled() const {
    fd_set ready;
    FD_ZERO(&ready);
    FD_SET(socket_, &ready);
    timeval now{0, 0};
    return ::select(0, &ready, nullptr, nullptr, &now) > 0;
  }

 private:
  bool started_ = false;
  SOCKET socket_ = INVALID_SOCKET;
  int port_ = 0;
};

// Watches from another thread for the message box, notes what it shows and closes it.
struct MessageBoxSeen {
  bool found = false;
  std::string caption, text;
  HWND owner = nullptr;
  bool mainEnabled = true;
  int buttons = 0;
};

MessageBoxSeen CloseMessageBoxWhenShown(HWND main) {
  MessageBoxSeen seen;
  for (int tries = 0; tries < 500 && !seen.found; ++tries) {
    HWND box = FindWindowW(L"#32770", L"信息：");
    if (box == nullptr || !IsWindowVisible(box)) {
      Sleep(20);
      continue;
    }
    seen.found = true;
    seen.caption = WindowTextUtf8(box);
    seen.text = WindowTextUtf8(GetDlgItem(box, 0xFFFF));
    seen.owner = GetWindow(box, GW_OWNER);
    seen.mainEnabled = IsWindowEnabled(main);
    for (HWND child = GetWindow(box, GW_CHILD); child != nullptr;
         child = GetWindow(child, GW_HWNDNEXT)) {
      wchar_t className[16] = {};
      GetClassNameW(child, className, 16);
      if (lstrcmpiW(className, L"Button") == 0 && IsWindowVisible(child)) ++seen.buttons;
    }
    PostMessageW(box, WM_COMMAND, IDOK, 0);
  }
  return seen;
}

TEST_F(MainWindowTest, EmptyNameShowsTheTaskModalMessageAndSendsNothing) {
  SilentService service;
  window_.reset();
  Open(service.host());
  SetName("");

  MessageBoxSeen seen;
  std::thread watcher([&] { seen = CloseMessageBoxWhenShown(window_->Handle()); });
  Click(Control::按钮1);
  watcher.join();

  ASSERT_TRUE(seen.found) << "no message box";
  EXPECT_EQ(seen.caption, "信息：");
  EXPECT_EQ(seen.text, "查询的名字不能为空!");
  EXPECT_EQ(seen.owner, nullptr);
  EXPECT_FALSE(seen.mainEnabled) << "task-modal: the window is disabled while the box shows";
  EXPECT_EQ(seen.buttons, 1);
  EXPECT_TRUE(IsWindowEnabled(window_->Handle()));
  EXPECT_EQ(TextOf(Control::标签1), "");
  EXPECT_FALSE(service.WasCalled()) << "no request for an empty name";
}

// --- Queries against the local profile service ----------------------------------------------

class QueryTest : public MainWindowTest {
 protected:
  void SetUp() override {
    if (LocalServiceHost().empty()) {
      GTEST_SKIP() << "the local profile service is not running: run through ctest, which "
                      "starts it and sets PELMORA_TEST_SERVICE_PORT_FILE";
    }
    MainWindowTest::SetUp();
  }
};

TEST_F(QueryTest, ClickShowsTheFullReport) {
  Click(Control::按钮1);
  EXPECT_EQ(TextOf(Control::标签1), FullReport("Quillfen"));
}

TEST_F(QueryTest, TickedBoxShowsThePowerOnly) {
  Click(Control::选择框1);
  Click(Control::按钮1);
  EXPECT_EQ(TextOf(Control::标签1), PowerOnlyReport("Quillfen"));
}

TEST_F(QueryTest, EnterStartsTheQuery) {
  PressKey(VK_RETURN);
  EXPECT_EQ(TextOf(Control::标签1), FullReport("Quillfen"));
}

// While the page is read the window stays live: what the user changes then shows in the report.
TEST_F(QueryTest, ChangesDuringTheReadShapeTheReport) {
  enum class Change { kTick, kUntick, kClearName };
  const struct {
    const char* what;
    Change change;
    std::string expected;
  } cases[] = {
      {"ticked during the read", Change::kTick, PowerOnlyReport("~slow")},
      {"unticked during the read", Change::kUntick, FullReportOfPowerOnlyRecord("~slow")},
      {"name cleared during the read", Change::kClearName, FullReport("")},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    window_.reset();
    Open(LocalServiceHost());
    if (c.change == Change::kUntick) Click(Control::选择框1);
    SetName("~slow");
    DuringPump during;
    during.Post([&] {
      if (c.change == Change::kClearName) {
        PressMouse(WM_LBUTTONDOWN);
      } else {
        Click(Control::选择框1);
      }
    });
    Click(Control::按钮1);
    EXPECT_EQ(during.ran(), 1);
    EXPECT_EQ(TextOf(Control::标签1), c.expected);
  }
}

TEST_F(QueryTest, NestedQueryFinishesFirstAndTheFirstReportStays) {
  const struct {
    const char* how;
    bool byEnter;
  } cases[] = {{"nested by a click", false}, {"nested by Enter", true}};
  for (const auto& c : cases) {
    SCOPED_TRACE(c.how);
    window_.reset();
    Open(LocalServiceHost());
    SetName("~slow");
    std::string nestedReport;
    DuringPump during;
    during.Post([&] {
      SetName("Quillfen");
      Click(Control::选择框1);
      if (c.byEnter) {
        PressKey(VK_RETURN);
      } else {
        Click(Control::按钮1);
      }
      nestedReport = TextOf(Control::标签1);
      Click(Control::选择框1);
      SetName("~slow");
    });
    Click(Control::按钮1);
    EXPECT_EQ(nestedReport, PowerOnlyReport("Quillfen"));
    EXPECT_EQ(TextOf(Control::标签1), FullReport("~slow"));
  }
}

TEST_F(QueryTest, ClosingDuringTheReadEndsTheQueryAndTheLoop) {
  // This page keeps coming for minutes unless the read stops.
  SetName("~trickle");
  DuringPump during;
  during.Post([&] { SendMessageW(window_->Handle(), WM_CLOSE, 0, 0); });
  const auto start = std::chrono::steady_clock::now();
  Click(Control::按钮1);
  const auto took = std::chrono::steady_clock::now() - start;

  EXPECT_EQ(during.ran(), 1);
  EXPECT_FALSE(window_->IsOpen());
  EXPECT_LT(took, std::chrono::seconds(5)) << "the read stops at the next pump";
  MSG quit;
  EXPECT_TRUE(PeekMessageW(&quit, nullptr, WM_QUIT, WM_QUIT, PM_REMOVE))
      << "the message loop is told to end";

  // What a query may still do after the close touches nothing.
  EXPECT_EQ(window_->GetControlText(Control::编辑框1), "");
  window_->SetControlText(Control::标签1, "x");
  window_->AddItem(Control::组合框1, "x");
  window_->SetSelectedIndex(Control::组合框1, 0);
  EXPECT_EQ(window_->GetSelectedIndex(Control::组合框1), -1);
  EXPECT_EQ(window_->IsChecked(Control::选择框1), 0);
  EXPECT_FALSE(window_->ProcessPendingMessages());
}

// Not a check: holds the window open after a power-only lookup so that take_screenshot.py can
// photograph it. The script names a file to write the window's place to and one to wait for.
TEST_F(QueryTest, DISABLED_HoldForScreenshot) {
  const char* ready = std::getenv("PELMORA_SCREENSHOT_READY_FILE");
  const char* done = std::getenv("PELMORA_SCREENSHOT_DONE_FILE");
  ASSERT_TRUE(ready != nullptr && done != nullptr);
  Click(Control::选择框1);
  Click(Control::按钮1);
  SetFocus(Of(Control::按钮1));
  DrainMessages();
  RECT r{};
  ASSERT_TRUE(GetWindowRect(window_->Handle(), &r));
  std::ofstream(ready) << r.left << ' ' << r.top << ' ' << r.right << ' ' << r.bottom << '\n';
  for (int i = 0; i < 600 && !std::ifstream(done).good(); ++i) {
    DrainMessages();
    Sleep(50);
  }
}

}  // namespace
}  // namespace pelmora

int main(int argc, char** argv) {
  // The window needs COM on its thread, as in the program.
  pelmora::OleScope ole;
  testing::InitGoogleTest(&argc, argv);
  return RUN_ALL_TESTS();
}
