// SPDX-License-Identifier: GPL-3.0-or-later
#include "rotctld/rotctlserver.h"

#include "core/errors.h"
#include "core/settingsfile.h"
#include "core/trackerline.h"
#include "link/unhandled.h"

#include <QHostAddress>
#include <QLoggingCategory>

namespace {
const char* const kSection = "Rotctld";
} // namespace

// Off by default: QT_LOGGING_RULES="kt90.rotctld.info=true" shows clients
// coming and going, ".debug=true" every request and answer.
Q_LOGGING_CATEGORY(lcRotctld, "kt90.rotctld", QtWarningMsg)

TRotctlSettings TRotctlSettings::Read(const QString& iniPath)
{
    const kt90::SettingsFile ini(iniPath.toStdString());
    TRotctlSettings s;
    s.enabled = ini.ReadBool(kSection, "Enabled", true);
    s.bind = QString::fromStdString(ini.ReadString(kSection, "Bind", "127.0.0.1"));
    const long port = ini.ReadInteger(kSection, "Port", 4533);
    s.port = port >= 0 && port <= 65535 ? static_cast<quint16>(port) : 4533;
    s.parkAzimuth = kt90::StrToFloatOrZero(ini.ReadString(kSection, "Park azimuth", "0"));
    s.parkElevation = kt90::StrToFloatOrZero(ini.ReadString(kSection, "Park elevation", "0"));
    s.allow = QString::fromStdString(ini.ReadString(kSection, "Allow", ""));
    return s;
}

TClientFilter TClientFilter::Parse(const QString& list, QStringList* bad)
{
    TClientFilter f;
    for (const QString& item : list.split(QLatin1Char(','), Qt::SkipEmptyParts)) {
        const QString entry = item.trimmed();
        if (entry.isEmpty())
            continue;
        // A bare address is a network of one.
        const QHostAddress single(entry);
        const auto net =
            single.isNull()
                ? QHostAddress::parseSubnet(entry)
                : std::pair<QHostAddress, int>(
                      single, single.protocol() == QAbstractSocket::IPv6Protocol ? 128 : 32);
        if (net.first.isNull()) {
            if (bad)
                bad->append(entry);
            continue;
        }
        f.fNetworks.push_back(net);
    }
    return f;
}

bool TClientFilter::Allows(const QHostAddress& peer) const
{
    if (fNetworks.empty())
        return peer.isLoopback();
    // An IPv4 peer on a dual-stack socket comes as ::ffff:a.b.c.d.
    bool v4 = false;
    const quint32 ip4 = peer.toIPv4Address(&v4);
    const QHostAddress p = v4 ? QHostAddress(ip4) : peer;
    for (const auto& [network, prefix] : fNetworks)
        if (p.isInSubnet(network, prefix))
            return true;
    return false;
}

TRotctlServer::TRotctlServer(TDeviceLink& link, const TRotctlSettings& settings, QObject* parent)
    : QObject(parent), fLink(link), fSettings(settings)
{
    connect(&fServer, &QTcpServer::newConnection, this, &TRotctlServer::onConnection);
}

TRotctlServer::~TRotctlServer()
{
    for (auto& [socket, client] : fClients) {
        socket->disconnect(this);
        socket->abort();
        socket->deleteLater();
    }
    for (QTcpSocket* socket : fOrphans)
        socket->deleteLater();
}

bool TRotctlServer::start()
{
    if (!fSettings.enabled) {
        fStatus = QStringLiteral("rotctld: off");
        emit statusChanged(fStatus);
        return false;
    }
    QStringList bad;
    fFilter = TClientFilter::Parse(fSettings.allow, &bad);
    if (!bad.isEmpty())
        qCWarning(lcRotctld, "Allow: not a network, left out: %s", qPrintable(bad.join(", ")));
    QHostAddress address(fSettings.bind);
    QString why;
    // Beyond this computer only those named may steer the antenna.
    if (!address.isNull() && !address.isLoopback() && !fFilter.Open()) {
        qCWarning(lcRotctld, "Bind=%s needs Allow= (the client networks); listening on loopback",
                  qPrintable(fSettings.bind));
        address = QHostAddress::LocalHost;
        why = QStringLiteral(" (loopback: Bind needs Allow)");
    }
    if (address.isNull() || !fServer.listen(address, fSettings.port)) {
        const QString why =
            address.isNull() ? QStringLiteral("not an address") : fServer.errorString();
        fStatus = QStringLiteral("rotctld: not listening on %1:%2 (%3)")
                      .arg(fSettings.bind)
                      .arg(fSettings.port)
                      .arg(why);
        emit statusChanged(fStatus);
        return false;
    }
    fNote = why;
    updateStatus();
    return true;
}

void TRotctlServer::updateStatus()
{
    fStatus = QStringLiteral("rotctld: %1:%2, %3 client%4%5")
                  .arg(fServer.serverAddress().toString())
                  .arg(fServer.serverPort())
                  .arg(fClients.size())
                  .arg(fClients.size() == 1 ? QString() : QStringLiteral("s"))
                  .arg(fNote);
    emit statusChanged(fStatus);
}

void TRotctlServer::onConnection()
{
    while (QTcpSocket* socket = fServer.nextPendingConnection()) {
        if (!fFilter.Allows(socket->peerAddress())) {
            qCInfo(lcRotctld, "client %s refused: not in Allow",
                   qPrintable(socket->peerAddress().toString()));
            socket->abort();
            socket->deleteLater();
            continue;
        }
        if (static_cast<int>(fClients.size()) >= kMaxClients) {
            qCInfo(lcRotctld, "client %s refused: %d clients already",
                   qPrintable(socket->peerAddress().toString()), kMaxClients);
            // Said before the close, so that the client can tell why.
            const std::string no = kt90::RotctlReport({}, kt90::kRprtIo);
            socket->write(no.data(), static_cast<qint64>(no.size()));
            socket->disconnectFromHost(); // after what was written
            connect(socket, &QTcpSocket::disconnected, socket, &QObject::deleteLater);
            QTimer::singleShot(1000, socket, &QTcpSocket::abort);
            continue;
        }
        qCInfo(lcRotctld, "client %s:%u connected", qPrintable(socket->peerAddress().toString()),
               socket->peerPort());
        socket->setSocketOption(QAbstractSocket::LowDelayOption, 1);
        Client& c = fClients[socket];
        c.idle = std::make_unique<QTimer>();
        c.idle->setSingleShot(true);
        connect(c.idle.get(), &QTimer::timeout, this, [this, socket] { drop(socket); });
        c.idle->start(fIdleMs);
        connect(socket, &QTcpSocket::readyRead, this,
                [this, socket] { Guarded([this, socket] { serve(socket); }); });
        connect(socket, &QTcpSocket::disconnected, this, [this, socket] { drop(socket); });
        updateStatus();
    }
}

void TRotctlServer::drop(QTcpSocket* socket)
{
    const auto it = fClients.find(socket);
    if (it == fClients.end())
        return;
    qCInfo(lcRotctld, "client %s:%u dropped", qPrintable(socket->peerAddress().toString()),
           socket->peerPort());
    const bool serving = it->second.busy;
    socket->disconnect(this);
    socket->abort();
    if (serving)
        fOrphans.insert(socket); // serve() deletes it when it returns
    else
        socket->deleteLater();
    fClients.erase(it);
    updateStatus();
    stopJogOf(socket);
}

void TRotctlServer::stopJogOf(QTcpSocket* client)
{
    // A move never outlives the client that started it.
    if (!client || client != fJogOwner)
        return;
    fJogOwner = nullptr;
    if (fLink.fButtons() == 0 || !fLink.IsOpen())
        return;
    qCInfo(lcRotctld, "stopping the move a client started");
    fLink.setButtons(0);
    try {
        fLink.SendStop();
    } catch (const std::exception& e) {
        qCWarning(lcRotctld, "the stop after a client left failed: %s", e.what());
    }
}

void TRotctlServer::serve(QTcpSocket* socket)
{
    auto it = fClients.find(socket);
    if (it == fClients.end() || it->second.busy)
        return; // the lines wait until the command in hand is answered
    it->second.idle->start(fIdleMs);
    it->second.busy = true;
    serveLines(socket);
    // A client dropped while its command ran is deleted only now: its own
    // signal, which called this, is still on the stack until we return.
    if (fOrphans.erase(socket))
        socket->deleteLater();
    else if (const auto still = fClients.find(socket); still != fClients.end())
        still->second.busy = false;
}

void TRotctlServer::serveLines(QTcpSocket* socket)
{
    while (socket->canReadLine()) {
        const QByteArray line = socket->readLine(kMaxLine + 2);
        if (!line.endsWith('\n')) {
            drop(socket); // a line longer than any command
            return;
        }
        // Each command of the line is answered in turn, as rotctld does.
        for (const kt90::RotctlRequest& request : kt90::ParseRotctlLine(line.toStdString())) {
            if (request.kind == kt90::RotctlRequest::Kind::Quit) {
                drop(socket);
                return;
            }
            const std::string reply = answer(request, socket);
            qCDebug(lcRotctld, "%s -> %s", line.trimmed().constData(),
                    QByteArray::fromStdString(reply).trimmed().replace('\n', " | ").constData());
            if (reply.find("RPRT -") != std::string::npos)
                qCInfo(lcRotctld, "client %s:%u: \"%s\" refused: %s",
                       qPrintable(socket->peerAddress().toString()), socket->peerPort(),
                       line.trimmed().constData(),
                       QByteArray::fromStdString(reply.substr(reply.find("RPRT -")))
                           .trimmed()
                           .constData());
            if (fClients.find(socket) == fClients.end())
                return; // it went away while its command ran
            socket->write(reply.data(), static_cast<qint64>(reply.size()));
            socket->flush();
        }
    }
    if (socket->bytesAvailable() > kMaxLine)
        drop(socket);
}

kt90::RotatorAxes TRotctlServer::axes() const
{
    // Before the first download the block holds nothing the controller said.
    if (!fLink.ConfigurationKnown())
        return {};
    const kt90::TktFRAMParams& c = fLink.currentConfig();
    return kt90::AxesOfKinds(c.kind(0), c.kind(1));
}

std::pair<double, double> TRotctlServer::range(int motor) const
{
    if (!fLink.ConfigurationKnown())
        return {kt90::kTrackerLowestAngle, kt90::kTrackerHighestAngle};
    namespace m = kt90::offs::motorRec;
    const kt90::TktFRAMParams& c = fLink.currentConfig();
    const auto at = static_cast<std::size_t>(motor);
    return {static_cast<double>(c.f32(kt90::TktFRAMParams::motorField(at, m::min_angle))),
            static_cast<double>(c.f32(kt90::TktFRAMParams::motorField(at, m::max_angle)))};
}

bool TRotctlServer::positionReadable() const
{
    return fLink.IsOpen() && fLink.PositionKnown() && !fLink.ControllerLost();
}

int TRotctlServer::setPosition(double az, double el)
{
    if (!fLink.IsOpen() || fLink.ControllerLost())
        return kt90::kRprtIo;
    const kt90::RotatorAxes a = axes();
    if (a.az < 0 || a.el < 0)
        return kt90::kRprtNotAvailable;
    const auto [azLow, azHigh] = range(a.az);
    const auto [elLow, elHigh] = range(a.el);
    if (!(az >= azLow && az <= azHigh && el >= elLow && el <= elHigh))
        return kt90::kRprtInvalid;
    double motor[2];
    motor[a.az] = az;
    motor[a.el] = el;
    fLink.SendCommand(kt90::TrackerSetPosition(motor[0], motor[1]), 0);
    return kt90::kRprtOk;
}

std::string TRotctlServer::answer(const kt90::RotctlRequest& r, QTcpSocket* from)
{
    using Kind = kt90::RotctlRequest::Kind;
    try {
        if (r.missingArgs)
            return kt90::RotctlReport(r, kt90::kRprtInvalid);
        switch (r.kind) {
        case Kind::Quit:
            return {};
        case Kind::GetPos: {
            // Never a number the controller did not give.
            if (!positionReadable())
                return kt90::RotctlReport(r, kt90::kRprtIo);
            const kt90::RotatorAxes a = axes();
            if (a.az < 0 || a.el < 0)
                return kt90::RotctlReport(r, kt90::kRprtNotAvailable);
            const double motor[2] = {fLink.fAz(), fLink.fEl()};
            return kt90::RotctlPosition(r, motor[a.az], motor[a.el]);
        }
        case Kind::SetPos:
            if (!r.a || !r.b)
                return kt90::RotctlReport(r, kt90::kRprtInvalid);
            return kt90::RotctlReport(r, setPosition(*r.a, *r.b));
        case Kind::Park:
            return kt90::RotctlReport(r,
                                      setPosition(fSettings.parkAzimuth, fSettings.parkElevation));
        case Kind::Stop:
            if (!fLink.IsOpen())
                return kt90::RotctlReport(r, kt90::kRprtIo);
            fJogOwner = nullptr;
            fLink.setButtons(0);
            fLink.SendStop();
            return kt90::RotctlReport(r, kt90::kRprtOk);
        case Kind::Move: {
            const auto dir = kt90::RotctlMoveDirection(r.a ? static_cast<int>(*r.a) : 0);
            if (!dir)
                return kt90::RotctlReport(r, kt90::kRprtInvalid);
            if (!fLink.IsOpen())
                return kt90::RotctlReport(r, kt90::kRprtIo);
            const kt90::RotatorAxes a = axes();
            const int motor = dir->elevation ? a.el : a.az;
            if (motor < 0)
                return kt90::RotctlReport(r, kt90::kRprtNotAvailable);
            fJogOwner = from;
            fLink.setButtons(kt90::JogButton(motor, dir->up));
            fLink.SendJog();
            return kt90::RotctlReport(r, kt90::kRprtOk);
        }
        case Kind::GetInfo:
            return kt90::RotctlInfo(r, "NORVAK KT-90");
        case Kind::DumpState: {
            const kt90::RotatorAxes a = axes();
            // An axis without a motor has no range to offer.
            const auto limits = [&](int motor) {
                return motor < 0 ? std::pair<double, double>(0, 0) : range(motor);
            };
            const auto [azLow, azHigh] = limits(a.az);
            const auto [elLow, elHigh] = limits(a.el);
            return kt90::RotctlDumpState(azLow, azHigh, elLow, elHigh);
        }
        case Kind::NotImplemented:
        case Kind::Unknown:
            break;
        }
    } catch (const kt90::ETcpReadTimeout&) {
        return kt90::RotctlReport(r, kt90::kRprtTimeout);
    } catch (const kt90::EAngleOutOfRange&) {
        return kt90::RotctlReport(r, kt90::kRprtInvalid);
    } catch (const std::exception&) {
        return kt90::RotctlReport(r, kt90::kRprtIo);
    }
    return kt90::RotctlReport(r, kt90::kRprtNotImplemented);
}
