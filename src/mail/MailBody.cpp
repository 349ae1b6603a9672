// The update e-mail's fixed HTML template with the parcel's values filled in.
#include "mail/MailBody.h"

#include "net/ServiceAddresses.h"

#include <QStringList>

namespace {

QString escaped(const QString &text) {
    QString out;
    out.reserve(text.size());
    for (const QChar c : text) {
        switch (c.unicode()) {
        case '&':
            out += QLatin1String("&amp;");
            break;
        case '<':
            out += QLatin1String("&lt;");
            break;
        case '>':
            out += QLatin1String("&gt;");
            break;
        case '"':
            out += QLatin1String("&quot;");
            break;
        case '\'':
            out += QLatin1String("&#39;");
            break;
        default:
            out += c;
        }
    }
    return out;
}

// The banner: logo linking to the maker, and the three links on the right.
QString banner(const MailSites &s) {
    const QString link =
        QStringLiteral("<a target='_blank' style='color:#fff;text-decoration:none;font-size:12px;' href='");
    return QStringLiteral("<table cellspacing='1' border='1' bgcolor='#FFFFFF' align='center' width='700' "
                          "style='border-color:#ccc;width:700px;font-size:20px;color:black'><tbody><tr><td>"
                          "<div style='width:670px;margin:0 auto;background-image:url(") %
           escaped(s.site + QStringLiteral("/mail/images/head_bg.gif")) %
           QStringLiteral(
               ");border-bottom:1px solid #e7e7e7;margin-bottom:20px;padding:13px 15px 0;'>"
               "<table cellspacing='0' cellpadding='0' border='0' width='670px' height='54' "
               "style='font:12px Tahoma, Arial, 微软雅黑;'><tbody><tr><td width='240' valign='top'>"
               "<a target='_blank' href='") %
           escaped(s.makerSite) % QStringLiteral("'><img border='0'  height='41' src='") %
           escaped(s.site + QStringLiteral("/mail/images/logo.png")) %
           QStringLiteral("'></a></td><td align='right' width='430' valign='bottom' "
                          "style='color:#fff;padding-bottom:7px;'>") %
           link % escaped(s.site + QStringLiteral("/tui.html")) % QStringLiteral("'>推广服务 </a> | ") %
           link % escaped(s.serviceSite) % QStringLiteral("'>客服中心 </a> | ") % link % escaped(s.forum) %
           QStringLiteral("'>官方论坛</a></td></tr></tbody></table></div>");
}

// The code the parcel is picked up with, large enough to read off a phone at the counter.
QString pickupLine(const QString &code) {
    if (code.isEmpty()) {
        return QString();
    }
    return QStringLiteral(
               "<p style='line-height:25px;margin:0;border-bottom: 1px dashed #ccc;margin-top:10px;'>"
               "取件码：<font style='font-weight:bold;font-size:18px;color:red;'>") %
           escaped(code) % QStringLiteral("</font></p>");
}

// The news itself, the pickup code, the thanks line and the announcement link.
QString news(const MailInputs &in) {
    const QString paragraph =
        QStringLiteral("<p style='line-height:25px;margin:0;border-bottom: 1px dashed #ccc;");
    return QStringLiteral(
               "<div style='width:600px;margin:0 auto;color:#5a5a5a;background:#ffffff;padding:0 50px;"
               "margin-bottom:25px;'><div style='line-height:1.5;font-size:13px;margin-bottom:10px;"
               "color:#000;font-family: 微软雅黑;'><strong style='display:block;margin-bottom:5px;'>"
               "</strong>") %
           paragraph % QStringLiteral("'>您的快递<font color='blue' style='font-weight:bold;'>【") %
           escaped(in.goods) % QStringLiteral("】（") % escaped(in.number) %
           QStringLiteral("）</font>有了最新动态：</p>") % paragraph %
           QStringLiteral("color:red;margin-top:15px;font-weight:bold;'>") % escaped(in.entryTime) %
           QLatin1Char(' ') % escaped(in.entryText) % QStringLiteral("</p>") % pickupLine(in.pickupCode) %
           paragraph %
           QStringLiteral(
               "margin-top:10px;'>当前您的快递约已派送：<font style='font-weight:bold;color:red;'>") %
           escaped(in.transitTime) %
           QStringLiteral("</font>（时间以<font style='font-weight:bold;color:blue;'>") %
           escaped(in.company) % QStringLiteral("</font>公司接单起计算）</p>") % paragraph %
           QStringLiteral("margin-top:10px'>感谢您使用岚舟包裹通,欢迎您继续支持岚舟其他产品!</p>") %
           paragraph % QStringLiteral("margin-top:15px;'><b><a href='") % escaped(in.announcementAddress) %
           QStringLiteral("' target='_blank' style='text-decoration: none;color:black;margin-top:10px'>") %
           escaped(in.announcementText) % QStringLiteral("</a></b></p>");
}

// The studio's signature with the date, and the grey footer.
QString signature(const MailInputs &in) {
    const MailSites &s = in.sites;
    return QStringLiteral(
               "<p style='line-height:25px;margin:0;margin-top:30px;margin-right:auto'>岚舟技术工作室"
               "</p><p style='line-height:25px;margin:0;float: right;background-image: url(") %
           escaped(s.site + QStringLiteral("/mail/images/slogo.png")) %
           QStringLiteral(");height: 85px;width: 50px;background-repeat: no-repeat;margin-top: -20px;'>"
                          "<p style='line-height:25px;margin:0;'>") %
           escaped(s.makerHost) % QStringLiteral("</p><p style='line-height:25px;margin:0;'>") %
           escaped(in.now) %
           QStringLiteral(
               "</p></div></div><div style='width:600px;margin:0 auto;background:#f9f9f9;"
               "border-top:1px solid #ececec;padding:20px 50px 30px;'><table cellspacing='0' "
               "cellpadding='0' border='0' width='600px' height='55' style='font-size:12px;"
               "color:#919191;'><tbody><tr><td width='460'><p style='line-height:20px;margin:0 0 5px'>"
               "本邮件由岚舟包裹通系统自动发出，请勿回复。</p><p style='line-height:20px;margin:0 0 5px'>"
               "如果您遇到问题或需要定制推广服务，请在右上方反馈或咨询客服QQ:") %
           escaped(s.serviceNumber) %
           QStringLiteral("</p></td><td align='right' width='140' valign='bottom'></td></tr></tbody></table>"
                          "</div></td></tr></tbody></table>");
}

} // namespace

MailSites MailSites::configured() {
    const ServiceAddresses addresses = ServiceAddresses::configured();
    MailSites sites;
    sites.site = addresses.site;
    sites.makerSite = addresses.makerSite;
    sites.serviceSite = QStringLiteral("https://kefu.lanzhou.example");
    sites.forum = QStringLiteral("https://bbs.lanzhou.example/");
    sites.makerHost = QStringLiteral("www.lanzhou.example");
    sites.serviceNumber = QStringLiteral("800088517");
    return sites;
}

namespace notify {

QString mailSubject(const QString &goods) {
    return QStringLiteral("您的快递【") % goods % QStringLiteral("】有最新动态 - 岚舟包裹通");
}

QString mailBody(const MailInputs &inputs) {
    return banner(inputs.sites) % news(inputs) % signature(inputs);
}

QString mailText(const MailInputs &in) {
    QStringList lines{
        QStringLiteral("您的快递【") % in.goods % QStringLiteral("】（") % in.number %
            QStringLiteral("）有了最新动态："),
        in.entryTime % QLatin1Char(' ') % in.entryText,
    };
    if (!in.pickupCode.isEmpty()) {
        lines.append(QStringLiteral("取件码：") + in.pickupCode);
    }
    lines += QStringList{
        QStringLiteral("当前您的快递约已派送：") % in.transitTime % QStringLiteral("（时间以") % in.company %
            QStringLiteral("公司接单起计算）"),
        QStringLiteral("感谢您使用岚舟包裹通,欢迎您继续支持岚舟其他产品!"),
    };
    if (!in.announcementText.isEmpty() || !in.announcementAddress.isEmpty()) {
        lines.append(in.announcementText % QLatin1Char(' ') % in.announcementAddress);
    }
    lines << QString() << QStringLiteral("岚舟技术工作室") << in.sites.makerHost << in.now << QString()
          << QStringLiteral("本邮件由岚舟包裹通系统自动发出，请勿回复。")
          << QStringLiteral("如果您遇到问题或需要定制推广服务，请咨询客服QQ:") + in.sites.serviceNumber;
    return lines.join(QLatin1Char('\n')) + QLatin1Char('\n');
}

} // namespace notify
