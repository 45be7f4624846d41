#include "app/main_window.h"

#include <commctrl.h>

#include <string>
#include <utility>

#include "app/background_picture.h"
#include "app/query_command.h"
#include "app/res/resource_ids.h"
#include "encoding/codepage.h"
#include "servers/server_list.h"

namespace pelmora {

namespace {

constexpr wchar_t kClassName[] = L"PelmoraMainWindow";
constexpr int kWidth = 367;
constexpr int kHeight = 280;
// A fixed frame with a caption bar, the system menu and the close button; no sizing border and
// no minimize or maximize button. No WS_CLIPCHILDREN: the group box does not paint its inside,
// so the window must paint the picture under it.
constexpr DWORD kWindowStyle = WS_OVERLAPPED | WS_CAPTION | WS_SYSMENU;
constexpr int kServerBoxDropHeight = 160;
constexpr UINT_PTR kNameBoxSubclassId = 1;

// Text colours over the dark picture.
constexpr COLORREF kCaptionColour = RGB(236, 200, 112);
constexpr COLORREF kLabelColour = RGB(250, 236, 196);

struct ControlLayout {
  Control control;
  const wchar_t* className;
  const wchar_t* text;
  DWORD style;
  DWORD exStyle;
  int left, top, width, height;  // in the main window's client area
};

// 标签1 sits at (12, 54) inside the group box; as a sibling of the group box (a group box does not
// pass on its children's messages) it is placed at the group box's corner plus that offset.
constexpr int kGroupLeft = 3;
constexpr int kGroupTop = 85;

const ControlLayout kLayout[] = {
    {Control::分组框1, L"BUTTON", L"查询的名字：", BS_GROUPBOX | WS_CLIPSIBLINGS, 0, kGroupLeft,
     kGroupTop, 352, 156},
    {Control::标签1, L"STATIC", L"", SS_LEFT | SS_NOPREFIX, 0, kGroupLeft + 12, kGroupTop + 54, 328,
     86},
    {Control::选择框1, L"BUTTON", L"只查战斗力", BS_AUTOCHECKBOX | WS_TABSTOP, 0, 224, 82, 120, 16},
    {Control::编辑框1, L"EDIT", L"Quillfen", ES_LEFT | ES_AUTOHSCROLL | WS_TABSTOP,
     WS_EX_CLIENTEDGE, 10, 105, 147, 20},
    {Control::组合框1, L"COMBOBOX", L"", CBS_DROPDOWNLIST | WS_VSCROLL | WS_TABSTOP, 0, 166, 105,
     100, kServerBoxDropHeight},
    {Control::按钮1, L"BUTTON", L"查询", BS_PUSHBUTTON | WS_TABSTOP, 0, 278, 105, 64, 20},
};

constexpr std::size_t Index(Control control) {
  return static_cast<std::size_t>(control);
}
constexpr int ControlId(Control control) {
  return 100 + static_cast<int>(control);
}

const wchar_t* Wide(const std::u16string& s) {
  return reinterpret_cast<const wchar_t*>(s.c_str());
}

HICON LoadIconSized(HINSTANCE instance, int cx, int cy) {
  return static_cast<HICON>(
      LoadImageW(instance, MAKEINTRESOURCEW(IDI_PELMORA), IMAGE_ICON, cx, cy, LR_DEFAULTCOLOR));
}

}  // namespace

MainWindow::MainWindow(HINSTANCE instance, std::string host)
    : instance_(instance), host_(std::move(host)) {
  WNDCLASSEXW wc{};
  wc.cbSize = sizeof(wc);
  if (!GetClassInfoExW(instance, kClassName, &wc)) {
    wc = WNDCLASSEXW{};
    wc.cbSize = sizeof(wc);
    wc.lpfnWndProc = &MainWindow::WindowProc;
    wc.hInstance = instance;
    wc.hCursor = LoadCursorW(nullptr, IDC_ARROW);
    // Shows only where no picture is drawn (when the picture could not be loaded).
    wc.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_BTNFACE + 1);
    wc.lpszClassName = kClassName;
    RegisterClassExW(&wc);
  }

  picture_ = LoadPictureResource(instance, IDR_BACKGROUND);
  // The label's font, field by field: 黑体, 16 pixels, normal weight, GB2312, stroke precision.
  labelFont_ = Font(CreateFontW(-16, 0, 0, 0, 400, FALSE, FALSE, FALSE, 134, 3, 2, 1, 2, L"黑体"));
  // Every other control: a GB2312 UI face, so the Chinese texts show wherever the face is missing.
  uiFont_ = Font(CreateFontW(-12, 0, 0, 0, FW_NORMAL, FALSE, FALSE, FALSE, GB2312_CHARSET,
                             OUT_DEFAULT_PRECIS, CLIP_DEFAULT_PRECIS, DEFAULT_QUALITY,
                             DEFAULT_PITCH | FF_DONTCARE, L"Microsoft YaHei"));
  bigIcon_ = Icon(LoadIconSized(instance, 48, 48));
  smallIcon_ =
      Icon(LoadIconSized(instance, GetSystemMetrics(SM_CXSMICON), GetSystemMetrics(SM_CYSMICON)));

  const int left = (GetSystemMetrics(SM_CXSCREEN) - kWidth) / 2;
  const int top = (GetSystemMetrics(SM_CYSCREEN) - kHeight) / 2;
  // WM_NCCREATE records the window; WM_CREATE makes the controls and fills the server box.
  CreateWindowExW(0, kClassName, L"Pelmora V1.1", kWindowStyle, left, top, kWidth, kHeight, nullptr,
                  nullptr, instance, this);
  if (window_ == nullptr) return;
  SendMessageW(window_, WM_SETICON, ICON_BIG, reinterpret_cast<LPARAM>(bigIcon_.Get()));
  SendMessageW(window_, WM_SETICON, ICON_SMALL, reinterpret_cast<LPARAM>(smallIcon_.Get()));
}

MainWindow::~MainWindow() {
  if (window_ != nullptr) {
    destroyedByOwner_ = true;
    DestroyWindow(window_);
  }
}

void MainWindow::Show(int showCommand) {
  if (window_ == nullptr) return;
  ShowWindow(window_, showCommand);
  UpdateWindow(window_);
}

HWND MainWindow::ControlHandle(Control control) const {
  return window_ == nullptr ? nullptr : controls_[Index(control)];
}

LRESULT CALLBACK MainWindow::WindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  if (message == WM_NCCREATE) {
    auto* self = static_cast<MainWindow*>(reinterpret_cast<CREATESTRUCTW*>(lParam)->lpCreateParams);
    self->window_ = window;
    SetWindowLongPtrW(window, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(self));
  }
  auto* self = reinterpret_cast<MainWindow*>(GetWindowLongPtrW(window, GWLP_USERDATA));
  if (message == WM_NCDESTROY) SetWindowLongPtrW(window, GWLP_USERDATA, 0);
  if (self == nullptr || self->window_ != window) {
    return DefWindowProcW(window, message, wParam, lParam);
  }
  return self->HandleMessage(message, wParam, lParam);
}

LRESULT MainWindow::HandleMessage(UINT message, WPARAM wParam, LPARAM lParam) {
  switch (message) {
    case WM_CREATE:
      CreateControls();
      RebuildBackdrop();
      OnWindowCreated();
      return 0;
    case WM_SIZE:
      RebuildBackdrop();
      return 0;
    case WM_ERASEBKGND:
      if (!backdrop_) break;
      PaintBackground(reinterpret_cast<HDC>(wParam));
      return 1;
    case WM_PAINT: {
      PAINTSTRUCT ps;
      HDC dc = BeginPaint(window_, &ps);
      if (ps.fErase && backdrop_) PaintBackground(dc);
      EndPaint(window_, &ps);
      return 0;
    }
    case WM_CTLCOLORSTATIC:
      return ColourStatic(reinterpret_cast<HDC>(wParam), reinterpret_cast<HWND>(lParam));
    case WM_CTLCOLOREDIT:
      if (reinterpret_cast<HWND>(lParam) != controls_[Index(Control::编辑框1)]) break;
      // The name box stays white whatever the system colours say.
      SetTextColor(reinterpret_cast<HDC>(wParam), RGB(0, 0, 0));
      SetBkColor(reinterpret_cast<HDC>(wParam), RGB(255, 255, 255));
      return reinterpret_cast<LRESULT>(GetStockObject(WHITE_BRUSH));
    case WM_SETFOCUS:
      SetFocus(controls_[Index(Control::编辑框1)]);
      return 0;
    case WM_COMMAND:
      if (LOWORD(wParam) == ControlId(Control::按钮1) && HIWORD(wParam) == BN_CLICKED) {
        OnQueryClicked();
        return 0;
      }
      break;
    case WM_DESTROY: {
      // From here on the control operations are no-ops, so a query still running inside a
      // nested pump touches nothing that is being destroyed.
      const bool endLoop = !destroyedByOwner_;
      HWND window = std::exchange(window_, nullptr);
      controls_.fill(nullptr);
      if (endLoop) PostQuitMessage(0);
      return DefWindowProcW(window, message, wParam, lParam);
    }
  }
  return DefWindowProcW(window_, message, wParam, lParam);
}

void MainWindow::CreateControls() {
  for (const ControlLayout& c : kLayout) {
    HWND control = CreateWindowExW(
        c.exStyle, c.className, c.text, WS_CHILD | WS_VISIBLE | c.style, c.left, c.top, c.width,
        c.height, window_, reinterpret_cast<HMENU>(static_cast<INT_PTR>(ControlId(c.control))),
        instance_, nullptr);
    controls_[Index(c.control)] = control;
    HFONT font = c.control == Control::标签1 ? labelFont_.Get() : uiFont_.Get();
    SendMessageW(control, WM_SETFONT, reinterpret_cast<WPARAM>(font), FALSE);
  }

  // The group box encloses the other controls; keep it underneath them and let it paint only
  // where no sibling is.
  SetWindowPos(controls_[Index(Control::分组框1)], HWND_BOTTOM, 0, 0, 0, 0,
               SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);

  // The closed server box is as tall as the name box and the button: its height follows the
  // selection field, which follows the font.
  HWND serverBox = controls_[Index(Control::组合框1)];
  RECT box;
  GetWindowRect(serverBox, &box);
  const int excess = (box.bottom - box.top) - 20;
  const LRESULT fieldHeight = SendMessageW(serverBox, CB_GETITEMHEIGHT, static_cast<WPARAM>(-1), 0);
  if (excess != 0 && fieldHeight != CB_ERR && fieldHeight - excess > 0) {
    SendMessageW(serverBox, CB_SETITEMHEIGHT, static_cast<WPARAM>(-1), fieldHeight - excess);
  }

  SetWindowSubclass(controls_[Index(Control::编辑框1)], &MainWindow::NameBoxProc,
                    kNameBoxSubclassId, reinterpret_cast<DWORD_PTR>(this));
}

LRESULT CALLBACK MainWindow::NameBoxProc(HWND box, UINT message, WPARAM wParam, LPARAM lParam,
                                         UINT_PTR, DWORD_PTR self) {
  return reinterpret_cast<MainWindow*>(self)->HandleNameBoxMessage(box, message, wParam, lParam);
}

LRESULT MainWindow::HandleNameBoxMessage(HWND box, UINT message, WPARAM wParam, LPARAM lParam) {
  switch (message) {
    case WM_KEYDOWN:
      OnNameBoxKeyDown(wParam);
      break;
    case WM_LBUTTONDOWN:
      OnNameBoxLeftMouseDown();
      break;
    case WM_NCDESTROY:
      RemoveWindowSubclass(box, &MainWindow::NameBoxProc, kNameBoxSubclassId);
      break;
  }
  // The handlers suppress nothing: the box still sees the key or the click, unless a query
  // started by it ended with the window closed.
  if (!IsWindow(box)) return 0;
  return DefSubclassProc(box, message, wParam, lParam);
}

void MainWindow::OnWindowCreated() {
  LoadServerList(*this);
}

void MainWindow::OnNameBoxKeyDown(WPARAM keyCode) {
  if (keyCode == VK_RETURN) OnQueryClicked();
}

void MainWindow::OnNameBoxLeftMouseDown() {
  SetControlText(Control::编辑框1, Text());
}

void MainWindow::OnQueryClicked() {
  pelmora::OnQueryClicked(*this, host_);
}

void MainWindow::RebuildBackdrop() {
  backdropBrush_.Reset();
  backdrop_.Reset();
  RECT client;
  if (!picture_ || window_ == nullptr || !GetClientRect(window_, &client)) return;
  const int width = client.right - client.left;
  const int height = client.bottom - client.top;
  if (width <= 0 || height <= 0) return;

  BITMAP source;
  GetObjectW(picture_.Get(), sizeof(source), &source);
  HDC screen = GetDC(window_);
  HDC from = CreateCompatibleDC(screen);
  HDC to = CreateCompatibleDC(screen);
  Bitmap stretched(CreateCompatibleBitmap(screen, width, height));
  if (stretched) {
    HGDIOBJ oldFrom = SelectObject(from, picture_.Get());
    HGDIOBJ oldTo = SelectObject(to, stretched.Get());
    SetStretchBltMode(to, HALFTONE);
    SetBrushOrgEx(to, 0, 0, nullptr);
    StretchBlt(to, 0, 0, width, height, from, 0, 0, source.bmWidth, source.bmHeight, SRCCOPY);
    SelectObject(to, oldTo);
    SelectObject(from, oldFrom);
    backdropBrush_ = Brush(CreatePatternBrush(stretched.Get()));
    backdrop_ = std::move(stretched);
  }
  DeleteDC(to);
  DeleteDC(from);
  ReleaseDC(window_, screen);
  InvalidateRect(window_, nullptr, TRUE);
}

void MainWindow::PaintBackground(HDC dc) {
  RECT client;
  GetClientRect(window_, &client);
  HDC from = CreateCompatibleDC(dc);
  HGDIOBJ old = SelectObject(from, backdrop_.Get());
  BitBlt(dc, 0, 0, client.right, client.bottom, from, 0, 0, SRCCOPY);
  SelectObject(from, old);
  DeleteDC(from);
}

LRESULT MainWindow::ColourStatic(HDC dc, HWND control) {
  const bool ours = control == controls_[Index(Control::标签1)] ||
                    control == controls_[Index(Control::分组框1)] ||
                    control == controls_[Index(Control::选择框1)];
  if (!ours || !backdropBrush_) {
    return DefWindowProcW(window_, WM_CTLCOLORSTATIC, reinterpret_cast<WPARAM>(dc),
                          reinterpret_cast<LPARAM>(control));
  }
  // The control fills its background with its own piece of the stretched picture, so it looks
  // see-through and still erases its old text completely when the text changes.
  RECT place;
  GetWindowRect(control, &place);
  MapWindowPoints(nullptr, window_, reinterpret_cast<POINT*>(&place), 2);
  SetBrushOrgEx(dc, -place.left, -place.top, nullptr);
  SetBkMode(dc, TRANSPARENT);
  SetTextColor(dc, control == controls_[Index(Control::标签1)] ? kLabelColour : kCaptionColour);
  return reinterpret_cast<LRESULT>(backdropBrush_.Get());
}

// --- Controls -------------------------------------------------------------------------------

Text MainWindow::GetControlText(Control control) {
  HWND handle = ControlHandle(control);
  if (handle == nullptr) return {};
  const int length = GetWindowTextLengthW(handle);
  if (length <= 0) return {};
  std::u16string text(static_cast<std::size_t>(length) + 1, u'\0');
  const int copied = GetWindowTextW(handle, reinterpret_cast<wchar_t*>(text.data()), length + 1);
  text.resize(static_cast<std::size_t>(copied > 0 ? copied : 0));
  return Utf16ToGbk(text);
}

void MainWindow::SetControlText(Control control, std::string_view text) {
  HWND handle = ControlHandle(control);
  if (handle == nullptr) return;
  SetWindowTextW(handle, Wide(GbkToUtf16(text)));
}

int MainWindow::GetSelectedIndex(Control box) {
  HWND handle = ControlHandle(box);
  if (handle == nullptr) return -1;
  const LRESULT selected = SendMessageW(handle, CB_GETCURSEL, 0, 0);
  return selected == CB_ERR ? -1 : static_cast<int>(selected);
}

void MainWindow::SetSelectedIndex(Control box, int index) {
  HWND handle = ControlHandle(box);
  if (handle == nullptr) return;
  const LRESULT count = SendMessageW(handle, CB_GETCOUNT, 0, 0);
  if (count == CB_ERR || count <= 0) {
    SendMessageW(handle, CB_SETCURSEL, static_cast<WPARAM>(-1), 0);
    return;
  }
  if (index >= count) index = static_cast<int>(count) - 1;
  if (index < -1) index = -1;
  SendMessageW(handle, CB_SETCURSEL, static_cast<WPARAM>(index), 0);
}

void MainWindow::AddItem(Control box, std::string_view text) {
  HWND handle = ControlHandle(box);
  if (handle == nullptr) return;
  const std::u16string item = GbkToUtf16(text);
  SendMessageW(handle, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(Wide(item)));
}

int MainWindow::IsChecked(Control box) {
  HWND handle = ControlHandle(box);
  if (handle == nullptr) return 0;
  return SendMessageW(handle, BM_GETCHECK, 0, 0) == BST_CHECKED ? 1 : 0;
}

void MainWindow::ShowMessage(std::string_view text) {
  // A closing program shows nothing more.
  if (window_ == nullptr) return;
  const std::u16string message = GbkToUtf16(text);
  MessageBoxW(nullptr, Wide(message), L"信息：", MB_OK | MB_TASKMODAL);
}

bool MainWindow::ProcessPendingMessages() {
  MSG msg;
  while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
    if (msg.message == WM_QUIT) {
      // Leave the quit for the message loop, which ends the program once the query returns.
      PostQuitMessage(static_cast<int>(msg.wParam));
      break;
    }
    TranslateMessage(&msg);
    DispatchMessageW(&msg);
  }
  return IsOpen();
}

int RunMessageLoop() {
  MSG msg;
  BOOL got;
  while ((got = GetMessageW(&msg, nullptr, 0, 0)) > 0) {
    TranslateMessage(&msg);
    DispatchMessageW(&msg);
  }
  return got == 0 ? static_cast<int>(msg.wParam) : 1;
}

}  // namespace pelmora
