#include "shell/Trace.h"

#include <QJsonDocument>

namespace mirt {

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
