#include "app/mpris_root_adaptor.h"

#include "app/mpris_properties.h"
#include "app/mpris_service.h"

MprisRootAdaptor::MprisRootAdaptor(QObject* object, MprisService& service)
    : QDBusAbstractAdaptor(object), m_service(service) {}

QStringList MprisRootAdaptor::SupportedMimeTypes() const {
    return mpris::SupportedMimeTypes();
}

void MprisRootAdaptor::Raise() {
    // Bringing the window forward changes nothing, so it is done even while a dialog is up.
    m_service.Post([](MediaControl& c) { c.Raise(); }, MprisService::EvenWhenBusy);
}

void MprisRootAdaptor::Quit() {
    m_service.Post([](MediaControl& c) { c.Quit(); });
}
