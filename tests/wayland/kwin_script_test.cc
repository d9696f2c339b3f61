// The KWin script carries its request as data only, and reports come back only from KWin.
#include "platform/wayland/kwin_script.h"

#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QDBusConnection>
#include <QDBusMessage>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QThread>

#include "platform/wayland/kwin_reply_receiver.h"

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

// A report reaches a request only from KWin's connection and with the request's token: any
// program on the bus can call the receiver.
TEST(KWinReplyReceiver, TakesAReportOnlyFromTheNamedConnectionWithItsToken) {
  QProcess daemon;
  daemon.start("dbus-daemon", {"--session", "--nofork", "--print-address"});
  if (!daemon.waitForReadyRead(20000))
    GTEST_SKIP() << "no dbus-daemon to run a private bus";
  const QString address = QString::fromUtf8(daemon.readLine().trimmed());
  int argc = 1;
  char name[] = "test";
  char* argv[] = {name, nullptr};
  QCoreApplication app(argc, argv);
  QThread thread;
  auto* receiver = new KWinReplyReceiver;
  receiver->moveToThread(&thread);
  thread.start();
  QDBusConnection ours = QDBusConnection::connectToBus(address, "receiver");
  ASSERT_TRUE(
      ours.registerObject(kKWinReplyPath, receiver, QDBusConnection::ExportScriptableSlots));
  QDBusConnection kwin = QDBusConnection::connectToBus(address, "kwin");
  QDBusConnection forger = QDBusConnection::connectToBus(address, "forger");
  const auto send = [&](QDBusConnection& from, const QString& token, const QString& json) {
    QDBusMessage m = QDBusMessage::createMethodCall(ours.baseService(), kKWinReplyPath,
                                                    kKWinReplyInterface, "reply");
    m.setArguments({token, json});
    ASSERT_EQ(from.call(m).type(), QDBusMessage::ReplyMessage);
  };

  const QString token = KWinReplyReceiver::new_token();
  EXPECT_EQ(token.size(), 32);
  EXPECT_NE(token, KWinReplyReceiver::new_token());
  send(forger, token, "forged");
  send(kwin, "another", "stale");
  EXPECT_EQ(receiver->wait_for(token, kwin.baseService(), std::chrono::milliseconds(300)),
            std::nullopt);
  send(forger, token, "forged");
  send(kwin, token, "real");
  EXPECT_EQ(receiver->wait_for(token, kwin.baseService(), std::chrono::milliseconds(5000)),
            QString("real"));

  QDBusConnection::disconnectFromBus("kwin");
  QDBusConnection::disconnectFromBus("forger");
  QDBusConnection::disconnectFromBus("receiver");
  thread.quit();
  thread.wait();
  delete receiver;
  daemon.kill();
  daemon.waitForFinished();
}

}  // namespace
}  // namespace tambrel::wayland
