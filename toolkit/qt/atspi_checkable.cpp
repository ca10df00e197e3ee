#include "toolkit/qt/atspi_checkable.h"

#include "toolkit/qt/qt_controls.h"

#include <QAccessible>
#include <QDBusConnection>
#include <QDBusMessage>
#include <QDBusVirtualObject>
#include <QTimer>

#include <cstdint>

namespace tk::qt {

namespace {

// Where Qt's bridge answers for every accessible object, on its connection.
const QString kBridgeConnection = QStringLiteral("a11y");
const QString kAccessiblePath = QStringLiteral("/org/a11y/atspi/accessible");
const QString kAccessibleInterface = QStringLiteral("org.a11y.atspi.Accessible");

// AT-SPI's state numbers.
enum : int {
    kChecked = 4,
    kEnabled = 8,
    kFocusable = 11,
    kFocused = 12,
    kSensitive = 24,
    kShowing = 25,
    kVisible = 30,
    kCheckable = 41,
};

// The states a picture box's accessible interface can report, as the bridge
// maps them, with checkable added.
QList<uint> StateSet(const QAccessible::State& state)
{
    std::uint64_t bits = 0;
    auto set = [&](int bit) { bits |= std::uint64_t{1} << bit; };
    if (!state.disabled) {
        set(kEnabled);
        set(kSensitive);
    }
    if (!state.invisible && !state.offscreen) {
        set(kShowing);
        set(kVisible);
    }
    if (state.focusable)
        set(kFocusable);
    if (state.focused)
        set(kFocused);
    if (state.checked)
        set(kChecked);
    if (state.checkable)
        set(kCheckable);
    return {static_cast<uint>(bits & 0xffffffffu), static_cast<uint>(bits >> 32)};
}

class CheckableStates final : public QDBusVirtualObject {
public:
    explicit CheckableStates(QDBusVirtualObject* bridge) : bridge_(bridge) {}

    QString introspect(const QString& path) const override { return bridge_->introspect(path); }

    bool handleMessage(const QDBusMessage& message, const QDBusConnection& connection) override
    {
        if (message.interface() == kAccessibleInterface && message.member() == QLatin1String("GetState")) {
            if (QAccessibleInterface* iface = At(message.path());
                iface && qobject_cast<QtPictureBox*>(iface->object()) && iface->state().checkable)
                return connection.send(message.createReply(QVariant::fromValue(StateSet(iface->state()))));
        }
        return bridge_->handleMessage(message, connection);
    }

private:
    // The bridge names each object by its unique id below its own path.
    static QAccessibleInterface* At(const QString& path)
    {
        const QString prefix = kAccessiblePath + QLatin1Char('/');
        if (!path.startsWith(prefix))
            return nullptr;
        bool number = false;
        const auto id = path.mid(prefix.size()).toUInt(&number);
        return number ? QAccessible::accessibleInterface(id) : nullptr;
    }

    QDBusVirtualObject* bridge_;
};

// Puts the object in front of the bridge's, once the bridge has registered.
void Wrap()
{
    QDBusConnection connection(kBridgeConnection);
    if (!connection.isConnected())
        return;
    auto* bridge = qobject_cast<QDBusVirtualObject*>(connection.objectRegisteredAt(kAccessiblePath));
    if (!bridge || dynamic_cast<CheckableStates*>(bridge))
        return;
    auto* wrapper = new CheckableStates(bridge);
    wrapper->setParent(bridge);
    connection.unregisterObject(kAccessiblePath, QDBusConnection::UnregisterTree);
    if (!connection.registerVirtualObject(kAccessiblePath, wrapper, QDBusConnection::SubPath))
        connection.registerVirtualObject(kAccessiblePath, bridge, QDBusConnection::SubPath);
}

// The bridge registers right after it reports itself active.
class Observer final : public QAccessible::ActivationObserver {
public:
    void accessibilityActiveChanged(bool active) override
    {
        if (active)
            QTimer::singleShot(0, Wrap);
    }
};

} // namespace

void InstallCheckableStates()
{
    static Observer observer;
    QAccessible::installActivationObserver(&observer);
    QTimer::singleShot(0, Wrap);
}

} // namespace tk::qt
