#include "drives/UdisksReader.h"

#include "drives/UdisksRecord.h"

#include <QDBusArgument>
#include <QDBusMessage>
#include <QDBusMetaType>
#include <QDBusObjectPath>
#include <QDBusVariant>
#include <QMap>
#include <QVariantMap>

namespace vexlin {
namespace {

constexpr auto kService = "org.freedesktop.UDisks2";
constexpr auto kBlock = "org.freedesktop.UDisks2.Block";
constexpr auto kDrive = "org.freedesktop.UDisks2.Drive";
constexpr auto kAta = "org.freedesktop.UDisks2.Drive.Ata";
constexpr auto kNvme = "org.freedesktop.UDisks2.NVMe.Controller";
constexpr int kTimeoutMs = 5000;

using Interfaces = QMap<QString, QVariantMap>;
using Objects = QMap<QString, Interfaces>;

// A variant as the bus delivered it: plain values come unwrapped, containers as a QDBusArgument.
QVariant plain(const QVariant& value) {
    if (value.canConvert<QDBusVariant>()) {
        return value.value<QDBusVariant>().variant();
    }
    return value;
}

QVariant property(const Interfaces& object, const char* interface, const char* name) {
    return plain(object.value(interface).value(name));
}

std::string text(const QVariant& value) {
    return value.toString().toStdString();
}

// Block.Device is a byte string with its terminating NUL.
QByteArray deviceOf(const QVariant& value) {
    QByteArray bytes;
    if (value.userType() == QMetaType::QByteArray) {
        bytes = value.toByteArray();
    } else if (value.canConvert<QDBusArgument>()) {
        value.value<QDBusArgument>() >> bytes;
    }
    if (bytes.endsWith('\0')) {
        bytes.chop(1);
    }
    return bytes;
}

QString objectPath(const QVariant& value) {
    if (value.canConvert<QDBusObjectPath>()) {
        return value.value<QDBusObjectPath>().path();
    }
    return value.toString();
}

std::optional<Objects> managedObjects(const QDBusConnection& bus) {
    QDBusMessage call = QDBusMessage::createMethodCall(
        kService, "/org/freedesktop/UDisks2", "org.freedesktop.DBus.ObjectManager", "GetManagedObjects");
    const QDBusMessage reply = bus.call(call, QDBus::Block, kTimeoutMs);
    if (reply.type() != QDBusMessage::ReplyMessage || reply.arguments().isEmpty()) {
        return std::nullopt;
    }
    const QDBusArgument argument = reply.arguments().first().value<QDBusArgument>();
    if (argument.currentSignature() != "a{oa{sa{sv}}}") {
        return std::nullopt;
    }
    Objects objects;
    argument.beginMap();
    while (!argument.atEnd()) {
        QDBusObjectPath path;
        Interfaces interfaces;
        argument.beginMapEntry();
        argument >> path;
        argument.beginMap();
        while (!argument.atEnd()) {
            QString name;
            QVariantMap properties;
            argument.beginMapEntry();
            argument >> name >> properties;
            argument.endMapEntry();
            interfaces.insert(name, properties);
        }
        argument.endMap();
        argument.endMapEntry();
        objects.insert(path.path(), interfaces);
    }
    argument.endMap();
    return objects;
}

std::optional<QDBusArgument> callAttributes(const QDBusConnection& bus, const QString& path,
                                            const char* interface) {
    QDBusMessage call = QDBusMessage::createMethodCall(kService, path, interface, "SmartGetAttributes");
    call << QVariantMap();
    const QDBusMessage reply = bus.call(call, QDBus::Block, kTimeoutMs);
    if (reply.type() != QDBusMessage::ReplyMessage || reply.arguments().isEmpty()) {
        return std::nullopt;
    }
    return reply.arguments().first().value<QDBusArgument>();
}

std::optional<drives::DriveRecord> readAta(const QDBusConnection& bus, const QString& path,
                                           const Interfaces& drive) {
    if (!property(drive, kAta, "SmartSupported").toBool() ||
        !property(drive, kAta, "SmartEnabled").toBool() ||
        property(drive, kAta, "SmartUpdated").toULongLong() == 0) {
        return std::nullopt;
    }
    drives::UdisksAta ata;
    ata.model = text(property(drive, kDrive, "Model"));
    ata.serial = text(property(drive, kDrive, "Serial"));
    ata.revision = text(property(drive, kDrive, "Revision"));
    ata.size = property(drive, kDrive, "Size").toULongLong();
    ata.rotationRate = property(drive, kDrive, "RotationRate").toInt();
    ata.smartFailing = property(drive, kAta, "SmartFailing").toBool();
    ata.smartPowerOnSeconds = property(drive, kAta, "SmartPowerOnSeconds").toULongLong();
    ata.smartTemperature = property(drive, kAta, "SmartTemperature").toDouble();
    ata.smartNumBadSectors = property(drive, kAta, "SmartNumBadSectors").toLongLong();
    const auto attributes = callAttributes(bus, path, kAta);
    if (!attributes || attributes->currentSignature() != "a(ysqiiixia{sv})") {
        return std::nullopt;
    }
    attributes->beginArray();
    while (!attributes->atEnd()) {
        uchar id = 0;
        QString name;
        ushort flags = 0;
        int value = 0;
        int worst = 0;
        int threshold = 0;
        qlonglong pretty = 0;
        int unit = 0;
        QVariantMap expansion;
        attributes->beginStructure();
        *attributes >> id >> name >> flags >> value >> worst >> threshold >> pretty >> unit >> expansion;
        attributes->endStructure();
        ata.attributes.push_back({id, name.toStdString(), value, worst, threshold, pretty, unit});
    }
    attributes->endArray();
    return drives::recordFromUdisks(ata);
}

std::optional<drives::DriveRecord> readNvme(const QDBusConnection& bus, const QString& path,
                                            const Interfaces& drive) {
    const Interfaces& controller = drive;
    if (property(controller, kNvme, "SmartUpdated").toULongLong() == 0) {
        return std::nullopt;
    }
    drives::UdisksNvme nvme;
    nvme.model = text(property(drive, kDrive, "Model"));
    nvme.serial = text(property(drive, kDrive, "Serial"));
    nvme.revision = text(property(drive, kDrive, "Revision"));
    nvme.size = property(drive, kDrive, "Size").toULongLong();
    for (const QString& word : property(controller, kNvme, "SmartCriticalWarning").toStringList()) {
        nvme.smartCriticalWarning.push_back(word.toStdString());
    }
    nvme.smartPowerOnHours = property(controller, kNvme, "SmartPowerOnHours").toULongLong();
    nvme.smartTemperature = property(controller, kNvme, "SmartTemperature").toInt();
    const auto attributes = callAttributes(bus, path, kNvme);
    if (!attributes || attributes->currentSignature() != "a{sv}") {
        return std::nullopt;
    }
    QVariantMap values;
    *attributes >> values;
    for (auto it = values.begin(); it != values.end(); ++it) {
        bool ok = false;
        const qlonglong number = plain(it.value()).toLongLong(&ok);
        if (ok) {
            nvme.attributes[it.key().toStdString()] = number;
        }
    }
    return drives::recordFromUdisks(nvme);
}

} // namespace

std::optional<drives::DriveRecord> readThroughUdisks(const QDBusConnection& bus, const std::string& name) {
    if (!bus.isConnected()) {
        return std::nullopt;
    }
    const auto objects = managedObjects(bus);
    if (!objects) {
        return std::nullopt;
    }
    const QByteArray device = QByteArray("/dev/") + QByteArray::fromStdString(name);
    for (auto it = objects->begin(); it != objects->end(); ++it) {
        if (!it.value().contains(kBlock) || deviceOf(property(it.value(), kBlock, "Device")) != device) {
            continue;
        }
        const QString drivePath = objectPath(property(it.value(), kBlock, "Drive"));
        const Interfaces drive = objects->value(drivePath);
        if (drive.contains(kAta)) {
            return readAta(bus, drivePath, drive);
        }
        // udisks 2.10 and later put the NVMe controller's interface on the drive's own object.
        if (drive.contains(kNvme)) {
            return readNvme(bus, drivePath, drive);
        }
        return std::nullopt;
    }
    return std::nullopt;
}

} // namespace vexlin
