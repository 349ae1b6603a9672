// The demo parcels' histories, the credential checks and the JSON the program searches for its markers.
#include "DemoTracking.h"

#include "HttpRequest.h"

#include <algorithm>

using namespace Qt::StringLiterals;
using namespace std::chrono_literals;

namespace {

const QString accountId = u"271828"_s;
const QString accountSecret = u"3f6c1e9a0b7d42c58e1f2a3b4c5d6e7f"_s;
const QString accountKey = u"5B1E7C20A94D3F86E2C70B19D4A6F853"_s;
const QString silentNumber = u"5555555555555"_s;
constexpr qsizetype firstGrowingSteps = 3;

// Numbers that are not demo parcels are guessed from their first two characters, like the real service does.
struct PrefixGuess {
    QStringView prefix;
    QStringView courierWord;
};
constexpr PrefixGuess prefixGuesses[] = {
    {u"31", u"圆通"}, {u"77", u"中通"}, {u"98", u"顺丰"}, {u"43", u"韵达"},
    {u"10", u"EMS"},  {u"SF", u"顺丰"}, {u"JD", u"京东"}, {u"YT", u"圆通"},
};

// Tracking numbers are ASCII digits and upper-case letters, as the program sends them.
bool isTrackingNumber(const QString &text) {
    return !text.isEmpty() && std::all_of(text.cbegin(), text.cend(), [](QChar c) {
        return (c >= u'0' && c <= u'9') || (c >= u'A' && c <= u'Z');
    });
}

// Only our own texts go through here, but a quote or backslash must still not break the JSON.
QByteArray jsonText(const QString &text) {
    QString escaped = text;
    escaped.replace(u"\\"_s, u"\\\\"_s).replace(u"\""_s, u"\\\""_s);
    return escaped.toUtf8();
}

QByteArray failure(const char *code, const QString &message) {
    return "{\"status\":\"0\",\"errCode\":\"" + QByteArray(code) + "\",\"message\":\"" + jsonText(message) +
           "\"}";
}

QByteArray recognised(const QString &shibie, qsizetype length, const QString &prefix) {
    return "[{\"comCode\":\"" + jsonText(shibie) + "\",\"lengthPre\":" + QByteArray::number(length) +
           ",\"noPre\":\"" + jsonText(prefix) + "\"}]";
}

} // namespace

DemoTracking::DemoTracking(const CourierTable &couriers, double growthSeconds)
    : m_couriers(couriers)
    , m_start(QDateTime::currentDateTime())
    , m_growthSeconds(growthSeconds) {
    m_uptime.start();
    // Every time lies before the service started, so the growing parcel's later entries read as scans
    // that reached the service late, which real histories do all the time.
    addParcel(
        u"3101234567890"_s, u"圆通"_s,
        {
            {30h + 12min + 41s, u"【广州市】广东省广州市白云区公司 已揽收"_s},
            {27h + 48min + 5s, u"【广州市】快件已到达 广州转运中心"_s},
            {26h + 3min + 17s, u"【广州市】快件已从 广州转运中心 发出，准备发往 武汉转运中心"_s},
            {17h + 36min + 52s, u"【武汉市】快件已到达 武汉转运中心"_s},
            {16h + 20min + 9s, u"【武汉市】快件已从 武汉转运中心 发出，准备发往 合肥转运中心"_s},
            {9h + 44min + 30s, u"【合肥市】快件已到达 合肥转运中心"_s},
            {8h + 51min + 2s, u"【合肥市】快件已从 合肥转运中心 发出，准备发往 南京转运中心"_s},
            {3h + 27min + 46s, u"【南京市】快件已到达 南京转运中心"_s},
            {1h + 5min + 13s, u"【南京市】快件已从 南京转运中心 发出，准备发往 江苏省南京市鼓楼区公司"_s},
        },
        true);
    addParcel(u"7700112233445"_s, u"中通"_s,
              {
                  {46h + 18min + 24s, u"【北京市】北京朝阳区公司 已揽收"_s},
                  {43h + 2min + 51s, u"【北京市】快件已到达 北京转运中心"_s},
                  {41h + 37min + 6s, u"【北京市】快件已从 北京转运中心 发出，准备发往 上海转运中心"_s},
                  {22h + 9min + 38s, u"【上海市】快件已到达 上海转运中心"_s},
                  {19h + 55min + 12s, u"【上海市】快件已从 上海转运中心 发出，准备发往 上海浦东新区公司"_s},
                  {4h + 31min + 47s, u"【上海市】快件已到达 上海浦东新区公司"_s},
                  {38min + 20s, u"【上海市】快递员 张师傅 正在派件，请保持电话畅通"_s},
              });
    addParcel(u"9876543210123"_s, u"顺丰"_s,
              {
                  {52h + 40min + 3s, u"【深圳市】快件已被 深圳南山科技园营业点 揽收"_s},
                  {49h + 11min + 29s, u"【深圳市】快件已到达 深圳集散中心"_s},
                  {47h + 58min + 44s, u"【深圳市】快件已从 深圳集散中心 发出，准备发往 杭州集散中心"_s},
                  {30h + 25min + 16s, u"【杭州市】快件已到达 杭州集散中心"_s},
                  {26h + 7min + 55s, u"【杭州市】快递员 李师傅 正在派件"_s},
                  {24h + 49min + 31s, u"【杭州市】已签收，签收人：本人，感谢使用"_s},
              });
    addParcel(u"SF1402345678901"_s, u"顺丰"_s,
              {
                  {20h + 6min + 12s, u"【成都市】快件已被 成都高新区营业点 揽收"_s},
                  {17h + 41min + 50s, u"【成都市】快件已到达 成都集散中心"_s},
                  {15h + 2min + 33s, u"【成都市】快件已从 成都集散中心 发出，准备发往 重庆集散中心"_s},
              });
    addParcel(
        u"4300000000001"_s, u"韵达"_s,
        {
            {101h + 14min + 8s, u"【乌鲁木齐市】新疆乌鲁木齐市天山区公司 已揽收"_s},
            {98h + 46min + 33s, u"【乌鲁木齐市】快件已到达 乌鲁木齐分拨中心"_s},
            {96h + 20min + 57s, u"【乌鲁木齐市】快件已从 乌鲁木齐分拨中心 发出，准备发往 兰州分拨中心"_s},
            {74h + 3min + 12s, u"【兰州市】快件已到达 兰州分拨中心"_s},
            {71h + 39min + 40s, u"【兰州市】快件已从 兰州分拨中心 发出，准备发往 西安分拨中心"_s},
            {62h + 17min + 21s, u"【西安市】快件已到达 西安分拨中心"_s},
            {59h + 52min + 6s, u"【西安市】快件已从 西安分拨中心 发出，准备发往 郑州分拨中心"_s},
            {49h + 28min + 49s, u"【郑州市】快件已到达 郑州分拨中心"_s},
            {46h + 1min + 15s, u"【郑州市】快件已从 郑州分拨中心 发出，准备发往 济南分拨中心"_s},
            {33h + 35min + 58s, u"【济南市】快件已到达 济南分拨中心"_s},
            {31h + 10min + 27s, u"【济南市】快件已从 济南分拨中心 发出，准备发往 青岛分拨中心"_s},
            {20h + 44min + 2s, u"【青岛市】快件已到达 青岛分拨中心"_s},
        });
}

void DemoTracking::addParcel(const QString &number, const QString &courierWord, QList<Step> steps,
                             bool grows) {
    // A courier list without the company leaves the number unknown rather than answering under a wrong code.
    if (const std::optional<Courier> courier = m_couriers.byNameContaining(courierWord)) {
        m_parcels.append({number, *courier, std::move(steps), grows});
    }
}

QStringList DemoTracking::parcelNumbers() const {
    QStringList numbers;
    for (const Parcel &parcel : m_parcels) {
        numbers.append(parcel.number + u' ' + parcel.courier.name);
    }
    return numbers;
}

const DemoTracking::Parcel *DemoTracking::parcel(const QString &number) const {
    const auto found = std::find_if(m_parcels.cbegin(), m_parcels.cend(),
                                    [&number](const Parcel &parcel) { return parcel.number == number; });
    return found == m_parcels.cend() ? nullptr : &*found;
}

std::optional<QByteArray> DemoTracking::trackingAnswer(const HttpRequest &request) const {
    const QStringList ids = request.values(u"id"_s);
    if (ids.size() < 2 || ids.at(0) != accountId || request.value(u"secret"_s) != accountSecret ||
        ids.at(1) != accountKey) {
        return failure("2", u"授权验证失败，请检查账号、密钥和授权码"_s);
    }
    const QString com = request.value(u"com"_s);
    if (!m_couriers.hasCode(com)) {
        return failure("7", u"快递公司编码不正确"_s);
    }
    const QString number = request.value(u"nu"_s);
    if (!isTrackingNumber(number)) {
        return failure("6", u"快递单号格式不正确"_s);
    }
    if (number == silentNumber) {
        return std::nullopt;
    }
    const Parcel *found = parcel(number);
    if (found == nullptr || found->courier.code != com) {
        return failure("1", u"暂无该单号的物流信息"_s);
    }
    return successAnswer(*found);
}

QByteArray DemoTracking::successAnswer(const Parcel &parcel) const {
    qsizetype visible = parcel.steps.size();
    if (parcel.grows) {
        const auto gained = static_cast<qsizetype>(double(m_uptime.elapsed()) / (m_growthSeconds * 1000.0));
        visible = std::min(visible, firstGrowingSteps + gained);
    }
    QByteArray entries;
    for (qsizetype i = visible - 1; i >= 0; --i) {
        const Step &step = parcel.steps.at(i);
        const QString time = m_start.addSecs(-step.beforeStart.count()).toString(u"yyyy-MM-dd HH:mm:ss"_s);
        if (!entries.isEmpty()) {
            entries += ',';
        }
        entries += "{\"time\":\"" + time.toUtf8() + "\",\"context\":\"" + jsonText(step.context) + "\"}";
    }
    return "{\"status\":\"1\",\"errCode\":\"0\",\"message\":\"\",\"data\":[" + entries + "]}";
}

QByteArray DemoTracking::recognitionAnswer(const QString &number) const {
    if (number.startsWith(u"503"_s)) {
        return R"({"status":"503","message":"service busy"})";
    }
    // Real numbers are well under 30 digits; the bound also keeps "503" out of lengthPre.
    if (!isTrackingNumber(number) || number.size() < 8 || number.size() > 30) {
        return "[]";
    }
    if (const Parcel *found = parcel(number)) {
        return recognised(found->courier.shibie, number.size(), number.left(4));
    }
    for (const PrefixGuess &guess : prefixGuesses) {
        if (number.startsWith(guess.prefix)) {
            if (const std::optional<Courier> courier =
                    m_couriers.byNameContaining(guess.courierWord.toString())) {
                return recognised(courier->shibie, number.size(), guess.prefix.toString());
            }
        }
    }
    return "[]";
}
