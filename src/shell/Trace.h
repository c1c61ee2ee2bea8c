// The player's trace: JSON Lines, one object per event, each with the player
// time "t" in milliseconds since start-up and the event name "ev".
#pragma once

#include <QJsonArray>
#include <QJsonObject>
#include <cstdint>
#include <cstdio>
#include <mutex>
#include <string>

namespace mirt {

// Builds one JSON object; strings given as CP932 are written as UTF-8.
class JsonObject {
 public:
  JsonObject& Str(const char* key, const std::string& cp932);
  JsonObject& Utf8(const char* key, const std::string& utf8);
  JsonObject& Int(const char* key, long long v);
  JsonObject& Bool(const char* key, bool v);
  JsonObject& Null(const char* key);
  JsonObject& Obj(const char* key, const JsonObject& value);
  JsonObject& Arr(const char* key, const QJsonArray& value);
  const QJsonObject& json() const { return object_; }
  // The object as compact JSON text, keys in order.
  std::string Done() const;

 private:
  QJsonObject object_;
};

// A JSON array of the integers in values.
template <typename Range>
QJsonArray IntArray(const Range& values) {
  QJsonArray a;
  for (const auto v : values) a.append(static_cast<qint64>(v));
  return a;
}

class Trace {
 public:
  ~Trace() { Close(); }
  bool Open(const std::string& hostPath);
  void Close();
  bool enabled() const { return file_ != nullptr; }
  // Writes {"t":now,"ev":ev, ...fields}: "t" and "ev" lead the line, the
  // fields follow in key order. ev is a plain lower-case name; fields holds
  // neither "t" nor "ev". Safe from any thread (the MIDI messages come from
  // the timer thread); lines are whole and in the order of the calls.
  void Event(uint32_t t, const char* ev, const JsonObject& fields = JsonObject());

 private:
  std::mutex mutex_;
  FILE* file_ = nullptr;
};

}  // namespace mirt
