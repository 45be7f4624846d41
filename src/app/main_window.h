// The main window: a fixed frame with a background picture, the name box, the server box, the
// power-only check box, the query button and the result label in its group box. The window is
// also the Controls the query command, the server list and the fetch work on. Windows only.
#pragma once

#include <windows.h>

#include <array>
#include <string>

#include "app/controls.h"
#include "app/win_handles.h"

namespace pelmora {

class MainWindow final : public Controls {
 public:
  // Creates the window centred on the screen with its six controls and fills the server box;
  // the window stays hidden until Show. Queries go to the profile service at `host`.
  // Needs COM (OleInitialize) on the calling thread for the background picture.
  MainWindow(HINSTANCE instance, std::string host);
  // Destroys the window if it is still open, without asking the message loop to end.
  ~MainWindow() override;
  MainWindow(const MainWindow&) = delete;
  MainWindow& operator=(const MainWindow&) = delete;

  void Show(int showCommand);
  // False once the window has been destroyed (closed by the user, or never created).
  bool IsOpen() const { return window_ != nullptr; }
  HWND Handle() const { return window_; }
  // The window of a control; null once the main window is gone.
  HWND ControlHandle(Control control) const;

  // Controls. After the window has been destroyed they do nothing and read empty values.
  Text GetControlText(Control control) override;
  void SetControlText(Control control, std::string_view text) override;
  int GetSelectedIndex(Control box) override;
  void SetSelectedIndex(Control box, int index) override;
  void AddItem(Control box, std::string_view text) override;
  int IsChecked(Control box) override;
  void ShowMessage(std::string_view text) override;
  bool ProcessPendingMessages() override;

 private:
  static LRESULT CALLBACK WindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
  static LRESULT CALLBACK NameBoxProc(HWND box, UINT message, WPARAM wParam, LPARAM lParam,
                                      UINT_PTR id, DWORD_PTR self);
  LRESULT HandleMessage(UINT message, WPARAM wParam, LPARAM lParam);
  LRESULT HandleNameBoxMessage(HWND box, UINT message, WPARAM wParam, LPARAM lParam);

  void CreateControls();
  void OnWindowCreated();
  void OnNameBoxKeyDown(WPARAM keyCode);
  void OnNameBoxLeftMouseDown();
  void OnQueryClicked();

  void RebuildBackdrop();
  void PaintBackground(HDC dc);
  LRESULT ColourStatic(HDC dc, HWND control);

  HINSTANCE instance_;
  std::string host_;
  HWND window_ = nullptr;
  std::array<HWND, 6> controls_{};
  bool destroyedByOwner_ = false;

  Bitmap picture_;       // the background as decoded, 501 x 559
  Bitmap backdrop_;      // the picture stretched to the client area
  Brush backdropBrush_;  // paints a control's background with its piece of the backdrop
  Font labelFont_;
  Font uiFont_;
  Icon bigIcon_;
  Icon smallIcon_;
};

// Runs the thread's message loop until a quit message arrives; returns its exit code.
int RunMessageLoop();

}  // namespace pelmora
