// Following a watcher: its /mesh.json read into the map's mesh, the nodes it holds down and how
// long since they were heard, and hostile documents refused; then the window following a
// document served over HTTP, redrawing as it changes and saying when the watcher is gone.

#include <httplib.h>

#include <QtTest>
#include <mutex>
#include <string>
#include <thread>

#include "FollowedMesh.h"
#include "MapItems.h"
#include "MeshMapScene.h"
#include "MeshWindow.h"

namespace {

// A watcher's document as its state page serves it: node 1 on a port, node 2 only heard of.
std::string followDocument(const std::string& node2State, const std::string& more = "") {
    return R"({"nodes":[
      {"id":1,"port":"COM200","settings":null,"routes":null,"reached_by":[],"state":"up",
       "last_heard":"2026-12-10T06:59:58.000+00:00"},
      {"id":2,"port":null,"settings":null,"routes":null,"reached_by":[1],"state":")" +
           node2State + R"(","last_heard":"2026-12-10T06:57:00.000+00:00"})" + more + R"(],
     "edges":[{"from":1,"to":2,"kind":"route","link_value":52,"targets":[2],"one_way":true}],
     "faults":[{"kind":"one_way_route","text":"1 reaches 2\nwith no way back","ports":["COM200"],
                "nodes":[1,2]}],
     "ports":[],"site":"desk","surveyed_at":"2026-12-10T07:00:00.000+00:00","interval_s":2})";
}

QString nodesOf(const meshapp::FollowedMesh& followed) {
    QStringList nodes;
    for (const mesh::MeshNode& node : followed.mesh.graph.nodes) {
        QString text = QString::number(node.id);
        for (const std::size_t module : node.modules)
            text += u':' + QString::fromStdString(followed.mesh.survey[module].port);
        nodes << text;
    }
    return nodes.join(u' ');
}

QString downOf(const meshapp::FollowedMesh& followed) {
    QStringList down;
    for (const auto& [id, text] : followed.down) down << QString::number(id) + u'=' + text;
    return down.join(u' ');
}

}  // namespace

class FollowTest : public QObject {
    Q_OBJECT

  private slots:
    void readsDocument_data();
    void readsDocument();
    void redrawsAsServed();
};

void FollowTest::readsDocument_data() {
    QTest::addColumn<QByteArray>("body");
    QTest::addColumn<QString>("nodes");
    QTest::addColumn<QString>("down");
    QTest::addColumn<QString>("fault");
    QTest::addColumn<QString>("error");  // a part of why it is refused; empty when read
    const auto doc = [](const std::string& node2, const std::string& more = "") {
        return QByteArray::fromStdString(followDocument(node2, more));
    };
    const QString fault = QStringLiteral("1 reaches 2 with no way back");
    QTest::newRow("all up") << doc("up") << "1:COM200 2"
                            << "" << fault << "";
    QTest::newRow("down 3 min") << doc("down") << "1:COM200 2"
                                << "2=down 3 min" << fault << "";
    QTest::newRow("heard in another zone, down 45 s")
        << doc("up", R"(,{"id":7,"port":"COM207","reached_by":[],"state":"down",
                          "last_heard":"2026-12-10T08:59:15.000+02:00"})")
        << "1:COM200 2 7:COM207"
        << "7=down 45 s" << fault << "";
    QTest::newRow("down without a time")
        << doc("up", R"(,{"id":7,"port":null,"state":"down","last_heard":"yesterday"})")
        << "1:COM200 2 7"
        << "7=down" << fault << "";
    QTest::newRow("control characters dropped")
        << doc("up", R"(,{"id":9,"port":"COM\u001b[2J9\u0007","state":"up"})")
        << "1:COM200 2 9:COM[2J9"
        << "" << fault << "";
    QTest::newRow("not JSON") << QByteArray("<html>") << ""
                              << ""
                              << ""
                              << "not a JSON object";
    QTest::newRow("a list") << QByteArray("[1,2]") << ""
                            << ""
                            << ""
                            << "not a JSON object";
    QTest::newRow("no nodes") << QByteArray(R"({"edges":[]})") << ""
                              << ""
                              << ""
                              << "nodes";
    QTest::newRow("node id 0xFFFF") << doc("up", R"(,{"id":65535,"port":null})") << ""
                                    << ""
                                    << ""
                                    << "out of range";
    QTest::newRow("node id a string") << doc("up", R"(,{"id":"1; rm","port":null})") << ""
                                      << ""
                                      << ""
                                      << "number";
    QTest::newRow("edge to no node")
        << QByteArray(R"({"nodes":[{"id":1,"port":null}],"edges":[{"from":1,"to":3,
                        "kind":"path","link_value":9}]})")
        << ""
        << ""
        << ""
        << "not listed";
    QTest::newRow("unknown fault kind")
        << QByteArray(R"({"nodes":[],"edges":[],"faults":[{"kind":"\u001bx","text":""}]})") << ""
        << ""
        << ""
        << "unknown fault kind \"x\"";
    QTest::newRow("too large") << QByteArray(meshapp::kMaxMeshJsonBytes + 1, ' ') << ""
                               << ""
                               << ""
                               << "larger";
}

void FollowTest::readsDocument() {
    QFETCH(QByteArray, body);
    const meshapp::FollowedMesh followed = meshapp::readFollowedMesh(
        body, QDateTime::fromString(QStringLiteral("2026-12-10T07:00:00Z"), Qt::ISODate));
    QFETCH(QString, error);
    if (!error.isEmpty()) {
        QVERIFY2(followed.error.contains(error), qPrintable(followed.error));
        QVERIFY(followed.mesh.graph.nodes.empty());
        return;
    }
    QCOMPARE(followed.error, QString());
    QTEST(nodesOf(followed), "nodes");
    QTEST(downOf(followed), "down");
    QCOMPARE(followed.mesh.faults.size(), 1u);
    QTEST(QString::fromStdString(followed.mesh.faults.front().text), "fault");
    QCOMPARE(followed.mesh.graph.edges.size(), 1u);
    QCOMPARE(followed.mesh.graph.edges.front().linkValue, std::optional<std::uint8_t>(52));
}

void FollowTest::redrawsAsServed() {
    std::mutex lock;
    std::string served = followDocument("up");
    httplib::Server server;
    server.Get("/mesh.json", [&](const httplib::Request&, httplib::Response& response) {
        const std::scoped_lock hold(lock);
        response.set_content(served, "application/json");
    });
    const int port = server.bind_to_any_port("127.0.0.1");
    QVERIFY(port > 0);
    std::thread listening([&server] { server.listen_after_bind(); });
    const auto serve = [&](const std::string& body) {
        const std::scoped_lock hold(lock);
        served = body;
    };

    meshapp::MeshWindow window(nullptr);
    window.follow(QUrl(QStringLiteral("http://127.0.0.1:%1").arg(port)),
                  std::chrono::milliseconds(100));
    QTRY_VERIFY(window.map().badge(2) != nullptr);
    QCOMPARE(window.map().badge(2)->downText(), QString());
    QVERIFY2(window.status().contains(QStringLiteral("2 node(s), 0 down")),
             qPrintable(window.status()));

    serve(followDocument("down", R"(,{"id":3,"port":"COM202","state":"up"})"));
    QTRY_VERIFY(window.map().badge(3) != nullptr);
    QVERIFY(window.map().badge(2)->downText().startsWith(QStringLiteral("down ")));
    QCOMPARE(window.map().badge(2)->color(), meshapp::kDownColor);
    QVERIFY(window.map().badge(2)->shownCaption().startsWith(QStringLiteral("down ")));
    QCOMPARE(window.map().badge(3)->shownCaption(), QStringLiteral("COM202"));

    serve("{\"nodes\":\x1b[2J");
    QTRY_VERIFY(window.status().contains(QStringLiteral("refused")));
    QVERIFY(window.map().badge(3) != nullptr);  // the last map stays

    server.stop();
    listening.join();
    QTRY_VERIFY(window.status().contains(QStringLiteral("cannot be reached")));
    QVERIFY(window.map().badge(3) != nullptr);
}

QTEST_MAIN(FollowTest)
#include "FollowTest.moc"
