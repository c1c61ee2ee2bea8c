#include "shell/Trace.h"

#include "platform/Encoding.h"

namespace mirt {

std::string JsonQuote(const std::string& s) {
  std::string out = "\"";
  for (unsigned char c : s) {
    switch (c) {
      case '"': out += "\\\""; break;
      case '\\': out += "\\\\"; break;
      case '\n': out += "\\n"; break;
      case '\r': out += "\\r"; break;
      case '\t': out += "\\t"; break;
      default:
        if (c < 0x20) {
          char buf[8];
          std::snprintf(buf, sizeof buf, "\\u%04x", c);
          out += buf;
        } else {
          out += static_cast<char>(c);
        }
    }
  }
  return out + "\"";
}

void JsonObject::Key(const char* key) {
  if (body_.size() > 1) body_ += ",";
  body_ += JsonQuote(key) + ":";
}
JsonObject& JsonObject::Str(const char* key, const std::string& cp932) {
  Key(key);
  body_ += JsonQuote(cp932ToUtf8(cp932));
  return *this;
}
JsonObject& JsonObject::Utf8(const char* key, const std::string& utf8) {
  Key(key);
  body_ += JsonQuote(utf8);
  return *this;
}
JsonObject& JsonObject::Int(const char* key, long long v) {
  Key(key);
  body_ += std::to_string(v);
  return *this;
}
JsonObject& JsonObject::Bool(const char* key, bool v) {
  Key(key);
  body_ += v ? "true" : "false";
  return *this;
}
JsonObject& JsonObject::Null(const char* key) {
  Key(key);
  body_ += "null";
  return *this;
}
JsonObject& JsonObject::Raw(const char* key, const std::string& json) {
  Key(key);
  body_ += json;
  return *this;
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
  std::string rest = fields.Done();  // "{...}"
  std::string line = "{\"t\":" + std::to_string(t) + ",\"ev\":" + JsonQuote(ev);
  if (rest.size() > 2) line += "," + rest.substr(1, rest.size() - 2);
  line += "}\n";
  std::fputs(line.c_str(), file_);
  std::fflush(file_);
}

}  // namespace mirt
