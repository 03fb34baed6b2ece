#include "platform/HotKeyManager.h"

#include <QGuiApplication>

#include "platform/null/NullHotKeyBackend.h"
#include "platform/xcb/XcbHotKeyBackend.h"

namespace orvel {

namespace {

std::unique_ptr<HotKeyBackend> platformBackend() {
    if (QGuiApplication::platformName() == QLatin1String("xcb")) return std::make_unique<XcbHotKeyBackend>();
    return std::make_unique<NullHotKeyBackend>();
}

} // namespace

HotKeyManager& HotKeyManager::shared() {
    static auto* const manager = new HotKeyManager(platformBackend());
    return *manager;
}

bool HotKeyManager::registrationSkipped() {
    return qEnvironmentVariable("XCODE_RUNNING_FOR_PREVIEWS") == QLatin1String("1") ||
           QGuiApplication::platformName() == QLatin1String("offscreen");
}

HotKeyManager::HotKeyManager(std::unique_ptr<HotKeyBackend> backend) : m_backend(std::move(backend)) {}

bool HotKeyManager::registerHotKey(std::function<void()> onFire) {
    m_onFire = std::move(onFire);
    if (m_isRegistered) return true;
    if (!m_backend->installHandler([this](std::uint32_t, std::uint32_t id) { handlePress(id); })) return false;
    m_isRegistered = m_backend->registerHotKey(fourCharCode("ORVL"), hotKeyId);
    return m_isRegistered;
}

bool HotKeyManager::isRegistered() const { return m_isRegistered; }

QString HotKeyManager::displayChord() const { return QStringLiteral("Ctrl+Alt+Super+V"); }

void HotKeyManager::handlePress(std::uint32_t id) {
    if (id != hotKeyId) return;
    // The action may open windows; it runs once the platform's event dispatch has returned.
    QMetaObject::invokeMethod(
        &m_context,
        [this] {
            if (m_onFire) m_onFire();
        },
        Qt::QueuedConnection);
}

std::uint32_t fourCharCode(std::string_view text) {
    std::uint32_t code = 0;
    for (const char byte : text.substr(0, 4)) code = (code << 8) | static_cast<unsigned char>(byte);
    return code;
}

} // namespace orvel
