// The trace's line format: what a reader of the JSON Lines file relies on.
#include <gtest/gtest.h>

#include "GameFixture.h"
#include "shell/Trace.h"

using namespace mirt_test;

TEST(Trace, LinesAreOneCompactObjectWithTimeAndEventFirst) {
  GameDir g;
  mirt::Trace trace;
  ASSERT_TRUE(trace.Open(g.Path("trace.jsonl")));
  trace.Event(0, "start");
  trace.Event(4294967295u, "sample",
              mirt::JsonObject()
                  .Int("big", 4294967295LL)
                  .Int("past", 4294967296LL)
                  .Int("low", -2147483648LL)
                  .Int("zero", 0)
                  .Str("text", mirt::utf8ToCp932("おしまい\t\"終\"\\"))
                  .Utf8("raw", "a\nb")
                  .Bool("yes", true)
                  .Null("none")
                  .Obj("at", mirt::JsonObject().Int("x", -1).Int("y", 2))
                  .Arr("rgb", mirt::IntArray(std::vector<uint8_t>{255, 0, 7})));
  trace.Close();
  const std::vector<std::string> lines = g.Trace();
  ASSERT_EQ(lines.size(), 2u);
  EXPECT_EQ(lines[0], R"({"t":0,"ev":"start"})");
  const std::string& l = lines[1];
  EXPECT_EQ(l.rfind(R"({"t":4294967295,"ev":"sample",)", 0), 0u) << l;
  // integers as integers, never "4294967295.0" or "4.29e+09"; text as UTF-8
  for (const char* part : {R"("big":4294967295)", R"("past":4294967296)", R"("low":-2147483648)",
                           R"("zero":0)", R"("text":"おしまい\t\"終\"\\")", R"("raw":"a\nb")"})
    EXPECT_TRUE(Has(l, part));
  EXPECT_EQ(l.find(' '), std::string::npos);  // compact
  EXPECT_EQ(JsonLine(l), Json(R"({"t":4294967295,"ev":"sample","big":4294967295,
      "past":4294967296,"low":-2147483648,"zero":0,"text":"おしまい\t\"終\"\\","raw":"a\nb",
      "yes":true,"none":null,"at":{"x":-1,"y":2},"rgb":[255,0,7]})"));
}

TEST(Trace, NothingIsWrittenOnceClosed) {
  GameDir g;
  mirt::Trace trace;
  EXPECT_FALSE(trace.enabled());
  trace.Event(1, "lost");  // not open: dropped
  ASSERT_TRUE(trace.Open(g.Path("trace.jsonl")));
  EXPECT_TRUE(trace.enabled());
  trace.Event(2, "kept");
  trace.Close();
  trace.Event(3, "lost");
  EXPECT_EQ(g.Trace(), (std::vector<std::string>{R"({"t":2,"ev":"kept"})"}));
}
