// One JSON object built member by member, as the trace and the state dump
// write them.
#pragma once

#include <QJsonArray>
#include <QJsonObject>
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

}  // namespace mirt
