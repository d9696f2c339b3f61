// The KWin script carries the user's text as data only.
#include "platform/wayland/kwin_script.h"

#include <gtest/gtest.h>

#include <QJsonDocument>
#include <QJsonObject>

namespace tambrel::wayland {
namespace {

std::string request_with_title(const std::string& title) {
  return QJsonDocument(QJsonObject{{"op", "find"}, {"title", QString::fromStdString(title)}})
      .toJson(QJsonDocument::Compact)
      .toStdString();
}

TEST(KWinScript, AHostileTitleStaysInsideItsLiteralAndComesBackUnchanged) {
  const std::string hostile =
      "x\"}; workspace.clientList().forEach(function (c) { c.closeWindow(); }); var y = {\"a\": \""
      "\\\n\r\t\u2028\u2029</script> Weird [title] (x).*+?";
  const std::string script = kwin_script(request_with_title(hostile));
  const std::string first_line = script.substr(0, script.find('\n'));
  const std::string prefix = "var request = ";
  ASSERT_EQ(first_line.rfind(prefix, 0), 0u);
  ASSERT_EQ(first_line.back(), ';');
  const std::string literal =
      first_line.substr(prefix.size(), first_line.size() - prefix.size() - 1);
  EXPECT_EQ(literal.find("\u2028"), std::string::npos) << "a line separator would end the literal";
  EXPECT_EQ(literal.find("\u2029"), std::string::npos);
  const QJsonObject back = QJsonDocument::fromJson(QByteArray::fromStdString(literal)).object();
  EXPECT_EQ(back.value("title").toString().toStdString(), hostile);

  // Everything after the request is the same fixed text, whatever the title.
  EXPECT_EQ(script.substr(first_line.size()),
            kwin_script(request_with_title("plain"))
                .substr(kwin_script(request_with_title("plain")).find('\n')));
}

TEST(KWinScript, OnlyTheTwoSeparatorsAreRewritten) {
  EXPECT_EQ(script_literal("{\"t\":\"a\u2028b\u2029c\"}"), "{\"t\":\"a\\u2028b\\u2029c\"}");
  EXPECT_EQ(script_literal("{\"t\":\"\xE2\x80\xA7 \xE2\x82\xAC\"}"),
            "{\"t\":\"\xE2\x80\xA7 \xE2\x82\xAC\"}");
}

}  // namespace
}  // namespace tambrel::wayland
