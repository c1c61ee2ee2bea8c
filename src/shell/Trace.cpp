#include "shell/Trace.h"

#include <QJsonDocument>

#include "platform/Encoding.h"

namespace mirt {

JsonObject& JsonObject::Str(const char* key, const std::string& cp932) {
  return Utf8(key, cp932ToUtf8(cp932));
}
JsonObject& JsonObject::Utf8(const char* key, const std::string& utf8) {
  object_.insert(QString::fromUtf8(key), QString::fromStdString(utf8));
  return *this;
}
JsonObject& JsonObject::Int(const char* key, long long v) {
  object_.insert(QString::fromUtf8(key), static_cast<qint64>(v));
  return *this;
}
JsonObject& JsonObject::Bool(const char* key, bool v) {
  object_.insert(QString::fromUtf8(key), v);
  return *this;
}
JsonObject& JsonObject::Null(const char* key) {
  object_.insert(QString::fromUtf8(key), QJsonValue::Null);
  return *this;
}
JsonObject& JsonObject::Obj(const char* key, const JsonObject& value) {
  object_.insert(QString::fromUtf8(key), value.object_);
  return *this;
}
JsonObject& JsonObject::Arr(const char* key, const QJsonArray& value) {
  object_.insert(QString::fromUtf8(key), value);
  return *this;
}
std::string JsonObject::Done() const {
  return QJsonDocument(object_).toJson(QJsonDocument::Compact).toStdString();
}

bool Trace::Open(const std::string& hostPath) {
  Close();
  std::lock_guard<std::mutex> l(mutex_);
  file_ = std::fopen(hostPath.c_str(), "w");
  return file_ != nullptr;
}

void Trace::Close() {
  std::lock_guard<std::mutex> l(mutex_);
  if (file_) std::fclose(file_);
  file_ = nullptr;
}

void Trace::Event(uint32_t t, const char* ev, const JsonObject& fields) {
  std::lock_guard<std::mutex> l(mutex_);
  if (!file_) return;
  // The fields' members follow the two leading ones inside the same braces.
  QByteArray rest = QJsonDocument(fields.json()).toJson(QJsonDocument::Compact);  // "{...}"
  QByteArray line = "{\"t\":" + QByteArray::number(t) + ",\"ev\":\"" + ev + "\"";
  if (rest.size() > 2) line += "," + rest.mid(1, rest.size() - 2);
  line += "}\n";
  std::fwrite(line.constData(), 1, line.size(), file_);
  std::fflush(file_);
}

}  // namespace mirt
