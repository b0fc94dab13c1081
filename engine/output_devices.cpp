#include "engine/output_devices.h"

#include <gst/gst.h>

#include <QCoreApplication>
#include <QMetaObject>
#include <thread>

namespace {

// Only the sound server's devices carry the name a stream is connected to.
std::string ServerName(GstDevice* device) {
    if (!g_object_class_find_property(G_OBJECT_GET_CLASS(device), "internal-name"))
        return {};
    gchar* name = nullptr;
    g_object_get(device, "internal-name", &name, nullptr);
    std::string out = name ? name : "";
    g_free(name);
    return out;
}

}  // namespace

std::vector<OutputDevice> ListServerOutputs() {
    if (!gst_is_initialized())
        gst_init(nullptr, nullptr);
    std::vector<OutputDevice> outputs;
    GstDeviceMonitor* monitor = gst_device_monitor_new();
    gst_device_monitor_add_filter(monitor, "Audio/Sink", nullptr);
    if (!gst_device_monitor_start(monitor)) {
        gst_object_unref(monitor);
        return outputs;
    }
    GList* devices = gst_device_monitor_get_devices(monitor);
    for (GList* l = devices; l; l = l->next) {
        GstDevice* device = GST_DEVICE(l->data);
        std::string name = ServerName(device);
        if (name.empty())
            continue;
        gchar* shown = gst_device_get_display_name(device);
        outputs.push_back({name, shown ? shown : ""});
        g_free(shown);
    }
    g_list_free_full(devices, gst_object_unref);
    gst_device_monitor_stop(monitor);
    gst_object_unref(monitor);
    return outputs;
}

OutputDeviceLister::OutputDeviceLister(Source source)
    : m_source(std::move(source)), m_busy(std::make_shared<std::atomic<bool>>(false)) {}

bool OutputDeviceLister::Start(QObject* context, Done done,
                               std::function<void(const std::vector<OutputDevice>&)> found) {
    if (m_busy->exchange(true))
        return false;
    QPointer<QObject> target(context);
    // Detached: a server that never answers must not hold the window's closing either.
    std::thread([source = m_source, busy = m_busy, target, done = std::move(done),
                 found = std::move(found)]() mutable {
        std::vector<OutputDevice> outputs = source ? source() : std::vector<OutputDevice>{};
        if (found)
            found(outputs);
        QCoreApplication* app = QCoreApplication::instance();
        if (app)
            QMetaObject::invokeMethod(
                app,
                [busy, target, done = std::move(done), outputs = std::move(outputs)]() mutable {
                    busy->store(false);
                    if (target)
                        done(std::move(outputs));
                },
                Qt::QueuedConnection);
        else
            busy->store(false);
    }).detach();
    return true;
}
