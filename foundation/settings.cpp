#include "foundation/settings.h"

#include "foundation/useful_ini.h"
#include "foundation/useful_string.h"
#include "platform/ini_file.h"
#include "platform/paths.h"
#include "platform/registry.h"

#include <QDate>
#include <QDateTime>
#include <QTime>
#include <QtEndian>

#include <cmath>
#include <cstring>
#include <limits>
#include <optional>
#include <utility>

namespace {

const QDate kDayZero(1899, 12, 30);
const double kMillisecondsPerDay = 86400000.0;
// Far beyond any date the program stores; keeps the day arithmetic exact.
const double kLargestDay = 3e6;

QString withMilliseconds(const QString& text, const QTime& time)
{
    return time.msec() == 0 ? text : text + u'.' + QString::number(time.msec()).rightJustified(3, u'0');
}

// ---- conversions between the item's type and the values it is given ----

std::optional<QVariant> toInteger(const QVariant& value)
{
    const bool floating = value.typeId() == QMetaType::Double || value.typeId() == QMetaType::Float;
    bool ok = false;
    const double number = floating ? value.toDouble(&ok) : double(value.toLongLong(&ok));
    const bool fits = ok && std::isfinite(number) && number >= std::numeric_limits<int>::min() - 0.5 &&
                      number <= std::numeric_limits<int>::max() + 0.5;
    return fits ? std::optional<QVariant>(int(std::lrint(number))) : std::nullopt;
}

std::optional<QVariant> parseText(const QString& text, TSettingType type)
{
    bool ok = false;
    switch (type) {
    case stString:
        return QVariant(text);
    case stBoolean: {
        const int number = text.trimmed().toInt(&ok);
        return ok ? std::optional<QVariant>(number != 0) : std::nullopt;
    }
    case stInteger: {
        const int number = text.trimmed().toInt(&ok);
        return ok ? std::optional<QVariant>(number) : std::nullopt;
    }
    case stFloat:
    case stCurrency: {
        const double number = text.trimmed().toDouble(&ok);
        return ok ? std::optional<QVariant>(number) : std::nullopt;
    }
    case stDate: {
        const QDate date = QDate::fromString(text.trimmed(), Qt::ISODate);
        return date.isValid() ? std::optional<QVariant>(date) : std::nullopt;
    }
    case stDateTime: {
        const QDateTime dateTime = QDateTime::fromString(text.trimmed(), Qt::ISODateWithMs);
        return dateTime.isValid() ? std::optional<QVariant>(dateTime) : std::nullopt;
    }
    case stTime: {
        const QTime time = QTime::fromString(text.trimmed(), Qt::ISODateWithMs);
        return time.isValid() ? std::optional<QVariant>(time) : std::nullopt;
    }
    }
    return std::nullopt;
}

std::optional<QVariant> convertTo(const QVariant& value, TSettingType type)
{
    if (!value.isValid())
        return std::nullopt;
    if (value.typeId() == QMetaType::QString)
        return parseText(value.toString(), type);
    const auto dateTime =
        value.typeId() == QMetaType::QDate ? QDateTime(value.toDate(), QTime(0, 0)) : value.toDateTime();
    bool ok = false;
    switch (type) {
    case stString:
        return QVariant(value.toString());
    case stBoolean:
        return value.canConvert<bool>() ? std::optional<QVariant>(value.toBool()) : std::nullopt;
    case stInteger:
        return toInteger(value);
    case stFloat:
    case stCurrency: {
        const double number = value.toDouble(&ok);
        return ok ? std::optional<QVariant>(number) : std::nullopt;
    }
    case stDate:
        return dateTime.isValid() ? std::optional<QVariant>(dateTime.date()) : std::nullopt;
    case stDateTime:
        return dateTime.isValid() ? std::optional<QVariant>(dateTime) : std::nullopt;
    case stTime:
        if (value.typeId() == QMetaType::QTime)
            return value.toTime().isValid() ? std::optional<QVariant>(value) : std::nullopt;
        return dateTime.isValid() ? std::optional<QVariant>(dateTime.time()) : std::nullopt;
    }
    return std::nullopt;
}

// ---- ini texts ----

QString formatText(const QVariant& typed, TSettingType type)
{
    switch (type) {
    case stBoolean:
        return typed.toBool() ? QStringLiteral("1") : QStringLiteral("0");
    case stInteger:
        return QString::number(typed.toInt());
    case stFloat:
    case stCurrency:
        return QString::number(typed.toDouble(), 'g', QLocale::FloatingPointShortest);
    case stDate:
        return typed.toDate().toString(QStringLiteral("yyyy-MM-dd"));
    case stDateTime: {
        const QDateTime dateTime = typed.toDateTime();
        return withMilliseconds(dateTime.toString(QStringLiteral("yyyy-MM-ddTHH:mm:ss")), dateTime.time());
    }
    case stTime:
        return withMilliseconds(typed.toTime().toString(QStringLiteral("HH:mm:ss")), typed.toTime());
    case stString:
        return typed.toString();
    }
    return QString();
}

// ---- registry values: dates as days since 30 December 1899, a day's fraction as its time ----

QByteArray littleEndian(quint64 bits)
{
    QByteArray bytes(8, '\0');
    qToLittleEndian(bits, bytes.data());
    return bytes;
}

QByteArray doubleBytes(double value)
{
    quint64 bits = 0;
    std::memcpy(&bits, &value, sizeof bits);
    return littleEndian(bits);
}

std::optional<double> bytesDouble(const std::optional<QByteArray>& bytes)
{
    if (!bytes || bytes->size() != 8)
        return std::nullopt;
    const quint64 bits = qFromLittleEndian<quint64>(bytes->constData());
    double value = 0;
    std::memcpy(&value, &bits, sizeof value);
    return value;
}

double serialDateTime(const QDate& date, const QTime& time)
{
    const double days = double(kDayZero.daysTo(date));
    const double fraction = time.msecsSinceStartOfDay() / kMillisecondsPerDay;
    return days >= 0 ? days + fraction : days - fraction;
}

std::optional<QDateTime> fromSerialDateTime(std::optional<double> value)
{
    if (!value || !std::isfinite(*value) || std::fabs(*value) > kLargestDay)
        return std::nullopt;
    const double days = std::trunc(*value);
    const auto milliseconds = std::llrint(std::fabs(*value - days) * kMillisecondsPerDay);
    const QTime time = QTime::fromMSecsSinceStartOfDay(int(std::min<long long>(milliseconds, 86399999)));
    return QDateTime(kDayZero.addDays(qint64(days)), time);
}

std::optional<QVariant> readRegistry(const plat::RegistryKey& key, const QString& name, TSettingType type)
{
    switch (type) {
    case stBoolean:
        if (const auto value = key.ReadDword(name))
            return QVariant(*value != 0);
        return std::nullopt;
    case stInteger:
        if (const auto value = key.ReadDword(name))
            return QVariant(std::int32_t(*value));
        return std::nullopt;
    case stString:
        if (const auto value = key.ReadString(name); value && !value->isEmpty())
            return QVariant(*value);
        return std::nullopt;
    case stCurrency:
        if (const auto bytes = key.ReadBinary(name); bytes && bytes->size() == 8)
            return QVariant(double(qFromLittleEndian<qint64>(bytes->constData())) / 10000.0);
        return std::nullopt;
    case stFloat:
        if (const auto value = bytesDouble(key.ReadBinary(name)))
            return QVariant(*value);
        return std::nullopt;
    case stDate:
    case stDateTime:
    case stTime:
        if (const auto dateTime = fromSerialDateTime(bytesDouble(key.ReadBinary(name))))
            return type == stDate   ? QVariant(dateTime->date())
                   : type == stTime ? QVariant(dateTime->time())
                                    : QVariant(*dateTime);
        return std::nullopt;
    }
    return std::nullopt;
}

bool writeRegistry(plat::RegistryKey& key, const QString& name, const QVariant& typed, TSettingType type)
{
    switch (type) {
    case stBoolean:
        return key.WriteDword(name, typed.toBool() ? 1 : 0);
    case stInteger:
        return key.WriteDword(name, std::uint32_t(typed.toInt()));
    case stString:
        return key.WriteString(name, typed.toString());
    case stCurrency: {
        const double scaled = typed.toDouble() * 10000.0;
        if (!std::isfinite(scaled) || std::fabs(scaled) >= 9.2e18)
            return false;
        return key.WriteBinary(name, littleEndian(quint64(std::llrint(scaled))));
    }
    case stFloat:
        return key.WriteBinary(name, doubleBytes(typed.toDouble()));
    case stDate:
        return key.WriteBinary(name, doubleBytes(serialDateTime(typed.toDate(), QTime(0, 0))));
    case stDateTime:
        return key.WriteBinary(
            name, doubleBytes(serialDateTime(typed.toDateTime().date(), typed.toDateTime().time())));
    case stTime:
        return key.WriteBinary(name, doubleBytes(serialDateTime(kDayZero, typed.toTime())));
    }
    return false;
}

QVariant defaultOf(const TSettingItem& item)
{
    return convertTo(item.ValueDefault(), item.DataType()).value_or(item.ValueDefault());
}

} // namespace

// ---- TSettingItem ----

void TSettingItem::changed()
{
    collection_.itemChanged();
}

void TSettingItem::SetName(const QString& name)
{
    if (name == name_)
        return;
    name_ = name;
    changed();
}

void TSettingItem::SetDataType(TSettingType dataType)
{
    if (dataType == dataType_)
        return;
    dataType_ = dataType;
    changed();
}

void TSettingItem::SetStorage(TSettingStorage storage)
{
    if (storage == storage_)
        return;
    storage_ = storage;
    changed();
}

void TSettingItem::assign(QVariant& held, const QVariant& value)
{
    const QVariant typed = convertTo(value, dataType_).value_or(value);
    if (held.isValid() && typed.isValid() && held == typed)
        return;
    held = typed;
    changed();
}

void TSettingItem::SetValue(const QVariant& value)
{
    assign(value_, value);
}

void TSettingItem::SetValueDefault(const QVariant& value)
{
    assign(valueDefault_, value);
}

// ---- TSettingCollection ----

TSettingItem* TSettingCollection::Add()
{
    items_.push_back(std::make_unique<TSettingItem>(*this));
    return items_.back().get();
}

void TSettingCollection::BeginUpdate()
{
    ++updateCount_;
}

void TSettingCollection::EndUpdate()
{
    if (updateCount_ == 0 || --updateCount_ > 0)
        return;
    if (std::exchange(changedInUpdate_, false))
        itemChanged();
}

void TSettingCollection::itemChanged()
{
    if (updateCount_ > 0) {
        changedInUpdate_ = true;
        return;
    }
    // A handler may replace the handler.
    const auto handler = owner_.OnChange;
    if (handler)
        handler(&owner_);
}

// ---- TSettings ----

TSettings::TSettings() : settings_(*this) {}

TSettings::~TSettings() = default;

void TSettings::deriveIniFile()
{
    const QString executable = plat::ExecutableName();
    // A dot that ends the name does not cut it.
    const qsizetype dot = executable.left(executable.size() - 1).indexOf(u'.');
    const QString storeName = (dot < 0 ? executable : executable.left(dot)).trimmed();
    const QString fileName = GetIniFileName(storeName, iniSuffix_);
    if (!ini_ || ini_->FileName() != fileName)
        ini_ = std::make_unique<plat::IniFile>(fileName);
}

plat::IniFile& TSettings::ini()
{
    if (!ini_)
        deriveIniFile();
    return *ini_;
}

QString TSettings::IniFileName()
{
    return ini().FileName();
}

void TSettings::SetIniFileName(const QString& ignored)
{
    Q_UNUSED(ignored);
    deriveIniFile();
}

void TSettings::SetApplicationIni(const QString& section)
{
    applicationIni_ = TrimBlanks(section).isEmpty() ? QStringLiteral("Application") : section;
}

void TSettings::SetApplicationKey(const QString& key)
{
    applicationKey_ = TrimBlanks(key).isEmpty() ? QStringLiteral("Application") : key;
}

void TSettings::SetIniSuffix(const QString& suffix)
{
    iniSuffix_ = TrimBlanks(suffix).isEmpty() ? QString() : suffix;
    deriveIniFile();
}

QString TSettings::registryKeyPath() const
{
    if (baseKey_.isEmpty() || applicationKey_.isEmpty())
        return baseKey_ + applicationKey_;
    return baseKey_ + u'\\' + applicationKey_;
}

QString ReadableSection(const plat::IniText& text, const QString& section)
{
    const QString former = QStringLiteral("Application");
    return !text.SectionExists(section) && text.SectionExists(former) ? former : section;
}

bool TSettings::Load()
{
    const plat::IniText text = ini().ReadAll();
    const QString section = ReadableSection(text, applicationIni_);
    std::optional<plat::RegistryKey> key;
    bool keyOpened = false;
    for (int i = 0; i < settings_.Count(); ++i) {
        TSettingItem& item = *settings_.Items(i);
        if (item.Name().isEmpty())
            continue;
        std::optional<QVariant> value;
        if (item.Storage() == ssIniFile) {
            if (text.ValueExists(section, item.Name()))
                value = parseText(text.ReadString(section, item.Name(), QString()), item.DataType());
        } else {
            if (!std::exchange(keyOpened, true))
                key = plat::RegistryKey::Open(plat::RegistryRoot(rootKey_), registryKeyPath(), true);
            if (key)
                value = readRegistry(*key, item.Name(), item.DataType());
        }
        item.SetValue(value.value_or(defaultOf(item)));
    }
    return true;
}

bool TSettings::Save()
{
    bool written = true;
    std::optional<plat::RegistryKey> key;
    bool keyOpened = false;
    ini().BeginUpdate();
    for (int i = 0; i < settings_.Count(); ++i) {
        const TSettingItem& item = *settings_.Items(i);
        // An item that holds nothing leaves what the file holds.
        if (item.Name().isEmpty() || !item.Value().isValid())
            continue;
        const std::optional<QVariant> typed = convertTo(item.Value(), item.DataType());
        if (!typed) {
            written = false;
        } else if (item.Storage() == ssIniFile) {
            written = ini().WriteString(applicationIni_, item.Name(), formatText(*typed, item.DataType())) &&
                      written;
        } else {
            if (!std::exchange(keyOpened, true))
                key = plat::RegistryKey::Open(plat::RegistryRoot(rootKey_), registryKeyPath(), true);
            written = key && writeRegistry(*key, item.Name(), *typed, item.DataType()) && written;
        }
    }
    return ini().EndUpdate() && written;
}

TSettingItem* TSettings::FindItem(const QString& name) const
{
    for (int i = 0; i < settings_.Count(); ++i) {
        if (plat::SameTextAscii(settings_.Items(i)->Name(), name))
            return settings_.Items(i);
    }
    return nullptr;
}

// A name that is no item is a programming error: the value would silently never be kept.
TSettingItem* TSettings::knownItem(const QString& name) const
{
    TSettingItem* item = FindItem(name);
    if (!item)
        qCritical("Unknown setting \"%s\"", qUtf8Printable(name));
    return item;
}

QVariant TSettings::GetValue(const QString& name) const
{
    const TSettingItem* item = knownItem(name);
    return item ? item->Value() : QVariant();
}

void TSettings::SetValue(const QString& name, const QVariant& value)
{
    if (TSettingItem* item = knownItem(name))
        item->SetValue(value);
}

void TSettings::SetDefaultValue(const QString& name, const QVariant& value)
{
    if (TSettingItem* item = knownItem(name))
        item->SetValueDefault(value);
}
