// Finding the tracking numbers of a pasted text of 1 MB (order mails one after another), beside one plain
// pass over the same text that counts its digits.
#include "RatioReporter.h"
#include "text/TrackingNumbersInText.h"

#include <benchmark/benchmark.h>

namespace {

constexpr qsizetype textBytes = 1024 * 1024;

// Order mails with an order number, a time, an amount, the receiver's mobile and two tracking numbers
// each, until their UTF-8 reaches 1 MB; every mail's numbers are its own.
const QString &orderMails() {
    static const QString text = [] {
        QString mails;
        qsizetype bytes = 0;
        for (int mail = 0; bytes < textBytes; ++mail) {
            const QString one =
                QStringLiteral(
                    "亲爱的用户，您的订单已分两个包裹发出！\n订单号：36985%1\n下单时间 2026-12-08 10:21\n"
                    "实付 ¥128.00（含运费 12.50元）\n收货人：张先生 138%2\n"
                    "包裹1 顺丰速运 运单号：SF14%3\n包裹2 中通快递 753%3\n"
                    "查看物流 https://shop.example.com/order/detail.htm?id=36985%1\n"
                    "如有疑问请致电客服 400-820-8820，祝您购物愉快。\n\n")
                    .arg(mail, 14, 10, QLatin1Char('0'))
                    .arg(mail % 100000000, 8, 10, QLatin1Char('0'))
                    .arg(mail, 11, 10, QLatin1Char('0'));
            mails += one;
            bytes += one.toUtf8().size();
        }
        return mails;
    }();
    return text;
}

// The anchor: one pass over the text's characters counting its digits.
void countDigits(benchmark::State &state) {
    const QString &text = orderMails();
    qsizetype digits = 0;
    for (auto _ : state) {
        digits = 0;
        for (const QChar c : text) {
            digits += c.isDigit() ? 1 : 0;
        }
        benchmark::DoNotOptimize(digits);
    }
    state.SetBytesProcessed(state.iterations() * text.toUtf8().size());
}

void findNumbers(benchmark::State &state) {
    const QString &text = orderMails();
    qsizetype found = 0;
    for (auto _ : state) {
        found = trackingNumbersInText(text).size();
        benchmark::DoNotOptimize(found);
    }
    // Two tracking numbers and a mobile number a mail; the mobile numbers repeat past 100,000,000 mails.
    if (found != 3 * text.count(QStringLiteral("包裹1"))) {
        state.SkipWithError("the finder missed numbers");
    }
    state.SetBytesProcessed(state.iterations() * text.toUtf8().size());
}

} // namespace

BENCHMARK(countDigits)->Unit(benchmark::kMillisecond);
BENCHMARK(findNumbers)->Unit(benchmark::kMillisecond);

PARCELBOOK_BENCH_RATIO("findNumbers", "countDigits");
