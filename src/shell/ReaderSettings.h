#pragma once

namespace mirt {

// The reader's settings that the menu shows and the settings file keeps.
class ReaderSettings {
 public:
  bool pageMode() const { return pageMode_; }
  void SetPageMode(bool on) { pageMode_ = on; }
  bool fullScreen() const { return fullScreen_; }
  void SetFullScreen(bool on) { fullScreen_ = on; }
  // Window display's scale, 1..3; kept in our own settings file, not mirt.ini.
  int windowScale() const { return windowScale_; }
  void SetWindowScale(int scale) { windowScale_ = scale; }
  // "従来の操作のみ": the reader's extra inputs (keys beyond Enter, Up and
  // Down, the wheel, the controller) do nothing.
  bool classicControls() const { return classicControls_; }
  void SetClassicControls(bool on) { classicControls_ = on; }
  // "自動で読み進める": the story advances by itself after each wait.
  bool autoMode() const { return autoMode_; }
  void SetAutoMode(bool on) { autoMode_ = on; }
  // The auto mode's pace, 1 (fast) .. 3 (slow); kept in mirt.json.
  int autoSpeed() const { return autoSpeed_; }
  void SetAutoSpeed(int speed) { autoSpeed_ = speed >= 1 && speed <= 3 ? speed : 2; }
  // "既読スキップ": the story runs quickly through text read before.
  bool skipRead() const { return skipRead_; }
  void SetSkipRead(bool on) { skipRead_ = on; }

 private:
  bool pageMode_ = false;
  bool fullScreen_ = false;
  int windowScale_ = 1;
  bool classicControls_ = false;
  bool autoMode_ = false;
  int autoSpeed_ = 2;
  bool skipRead_ = false;
};

}  // namespace mirt
