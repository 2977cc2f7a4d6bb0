#include "rotctld/rotctlserver.h"

#include "core/errors.h"
#include "core/settingsfile.h"
#include "core/trackerline.h"
#include "link/unhandled.h"

#include <QHostAddress>
#include <QLoggingCategory>
#include <QPointer>

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
    return s;
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
}

bool TRotctlServer::start()
{
    if (!fSettings.enabled) {
        fStatus = QStringLiteral("rotctld: off");
        emit statusChanged(fStatus);
        return false;
    }
    const QHostAddress address(fSettings.bind);
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
    updateStatus();
    return true;
}

void TRotctlServer::updateStatus()
{
    fStatus = QStringLiteral("rotctld: %1:%2, %3 client%4")
                  .arg(fServer.serverAddress().toString())
                  .arg(fServer.serverPort())
                  .arg(fClients.size())
                  .arg(fClients.size() == 1 ? QString() : QStringLiteral("s"));
    emit statusChanged(fStatus);
}

void TRotctlServer::onConnection()
{
    while (QTcpSocket* socket = fServer.nextPendingConnection()) {
        if (static_cast<int>(fClients.size()) >= kMaxClients) {
            qCInfo(lcRotctld, "client %s refused: %d clients already",
                   qPrintable(socket->peerAddress().toString()), kMaxClients);
            socket->abort();
            socket->deleteLater();
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
    socket->disconnect(this);
    socket->abort();
    socket->deleteLater();
    fClients.erase(it);
    updateStatus();
}

void TRotctlServer::serve(QTcpSocket* socket)
{
    auto it = fClients.find(socket);
    if (it == fClients.end() || it->second.busy)
        return; // the lines wait until the command in hand is answered
    it->second.idle->start(fIdleMs);
    it->second.busy = true;
    QPointer<QTcpSocket> alive(socket);
    while (alive && socket->canReadLine()) {
        const QByteArray line = socket->readLine(kMaxLine + 2);
        if (!line.endsWith('\n')) {
            drop(socket); // a line longer than any command
            return;
        }
        const kt90::RotctlRequest request = kt90::ParseRotctl(line.toStdString());
        if (request.kind == kt90::RotctlRequest::Kind::Quit) {
            drop(socket);
            return;
        }
        const std::string reply = Answer(request);
        qCDebug(lcRotctld, "%s -> %s", line.trimmed().constData(),
                QByteArray::fromStdString(reply).trimmed().replace('\n', " | ").constData());
        if (!alive || fClients.find(socket) == fClients.end())
            return; // it went away while its command ran
        socket->write(reply.data(), static_cast<qint64>(reply.size()));
        socket->flush();
    }
    if (alive && socket->bytesAvailable() > kMaxLine) {
        drop(socket);
        return;
    }
    if (alive && fClients.count(socket))
        fClients[socket].busy = false;
}

double TRotctlServer::limit(std::size_t motor, std::size_t field) const
{
    return static_cast<double>(
        fLink.currentConfig().f32(kt90::TktFRAMParams::motorField(motor, field)));
}

int TRotctlServer::setPosition(double az, double el)
{
    namespace m = kt90::offs::motorRec;
    if (az < limit(0, m::min_angle) || az > limit(0, m::max_angle) || el < limit(1, m::min_angle) ||
        el > limit(1, m::max_angle))
        return kt90::kRprtInvalid;
    if (!fLink.IsOpen())
        return kt90::kRprtIo;
    fLink.SendCommand(kt90::TrackerSetPosition(az, el), 0);
    return kt90::kRprtOk;
}

std::string TRotctlServer::Answer(const kt90::RotctlRequest& r)
{
    using Kind = kt90::RotctlRequest::Kind;
    namespace m = kt90::offs::motorRec;
    try {
        switch (r.kind) {
        case Kind::Empty:
            return {};
        case Kind::Quit:
            return {};
        case Kind::GetPos:
            return kt90::RotctlPosition(r, fLink.fAz(), fLink.fEl());
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
            fLink.setButtons(0);
            fLink.SendStop();
            return kt90::RotctlReport(r, kt90::kRprtOk);
        case Kind::Move: {
            // hamlib's directions: UP 2, DOWN 4, LEFT 8, RIGHT 16.
            const int dir = r.a ? static_cast<int>(*r.a) : 0;
            std::uint32_t mask = 0;
            if (dir == 2)
                mask = kt90::kJogUp;
            else if (dir == 4)
                mask = kt90::kJogDown;
            else if (dir == 8)
                mask = kt90::kJogLeft;
            else if (dir == 16)
                mask = kt90::kJogRight;
            else
                return kt90::RotctlReport(r, kt90::kRprtInvalid);
            if (!fLink.IsOpen())
                return kt90::RotctlReport(r, kt90::kRprtIo);
            fLink.setButtons(mask);
            fLink.SendJog();
            return kt90::RotctlReport(r, kt90::kRprtOk);
        }
        case Kind::GetInfo:
            return kt90::RotctlInfo(r, "NORVAK KT-90");
        case Kind::DumpState:
            return kt90::RotctlDumpState(limit(0, m::min_angle), limit(0, m::max_angle),
                                         limit(1, m::min_angle), limit(1, m::max_angle));
        case Kind::Unknown:
            break;
        }
    } catch (const kt90::ETcpReadTimeout&) {
        return kt90::RotctlReport(r, kt90::kRprtTimeout);
    } catch (const std::exception&) {
        return kt90::RotctlReport(r, kt90::kRprtIo);
    }
    return kt90::RotctlReport(r, kt90::kRprtNotImplemented);
}
