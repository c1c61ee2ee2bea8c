#include "common/JsonObject.h"

#include <QJsonDocument>

#include "common/Encoding.h"

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

}  // namespace mirt
