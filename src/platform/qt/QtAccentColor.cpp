#include "platform/qt/QtAccentColor.h"

#include <QDBusArgument>
#include <QDBusConnection>
#include <QDBusMessage>
#include <QDBusVariant>

namespace {

constexpr int FirstAnswerMs = 300;

QDBusMessage AccentQuestion() {
    QDBusMessage question = QDBusMessage::createMethodCall(
        "org.freedesktop.portal.Desktop", "/org/freedesktop/portal/desktop", "org.freedesktop.portal.Settings", "ReadOne");
    question << QString("org.freedesktop.appearance") << QString("accent-color");
    return question;
}

// The colour in a reply: a variant holding (ddd), each 0..1; anything else (an error, a
// portal without the key, values out of range, which mean "none") gives none.
std::optional<mRain::Color> AccentOfReply(const QDBusMessage& reply) {
    if (reply.type() != QDBusMessage::ReplyMessage || reply.arguments().isEmpty()) return std::nullopt;
    QVariant value = reply.arguments().first();
    for (int depth = 0; depth < 3 && value.userType() == qMetaTypeId<QDBusVariant>(); ++depth)
        value = value.value<QDBusVariant>().variant();
    if (value.userType() != qMetaTypeId<QDBusArgument>()) return std::nullopt;
    const QDBusArgument argument = value.value<QDBusArgument>();
    if (argument.currentSignature() != "(ddd)") return std::nullopt;
    double r = -1, g = -1, b = -1;
    argument.beginStructure();
    argument >> r >> g >> b;
    argument.endStructure();
    for (double channel : {r, g, b})
        if (!(channel >= 0 && channel <= 1)) return std::nullopt;
    return mRain::Color{static_cast<float>(r), static_cast<float>(g), static_cast<float>(b), 1};
}

}  // namespace

std::optional<mRain::Color> cQtAccentColor::AccentColor() {
    if (Silent_) return std::nullopt;
    QDBusConnection bus = QDBusConnection::sessionBus();
    if (!bus.isConnected()) return std::nullopt;
    if (!Asked_) {
        Asked_ = true;
        const QDBusMessage reply = bus.call(AccentQuestion(), QDBus::Block, FirstAnswerMs);
        if (reply.type() == QDBusMessage::ErrorMessage && reply.errorName() == "org.freedesktop.DBus.Error.NoReply")
            Silent_ = true;
        return Last_ = AccentOfReply(reply);
    }
    if (Pending_ && Pending_->isFinished()) {
        Last_ = AccentOfReply(Pending_->reply());
        Pending_.reset();
    }
    if (!Pending_) Pending_ = std::make_unique<QDBusPendingCall>(bus.asyncCall(AccentQuestion(), 1000));
    return Last_;
}
