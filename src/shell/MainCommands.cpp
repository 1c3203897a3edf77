#include "shell/MainCommands.h"

namespace kestra {

const QList<MainMenu> &mainMenus()
{
    static const QList<MainMenu> menus = {
        {"mnuHold", u"书刊典藏(&D)", ""},   {"mnuCompact", u"密集书库(&C)", ""},
        {"mnuStat", u"统计查询(&S)", ""},   {"mnuNewBookStat", u"新书分配统计", "mnuStat"},
        {"mnuOption", u"参数代码(&P)", ""}, {"mnuTool", u"工具(&T)", ""},
        {"mnuView", u"窗口(&W)", ""},       {"mnuHelp", u"帮助(&H)", ""},
        {"mnuJump", u"模块切换(&J)", ""},
    };
    return menus;
}

const QList<MainCommand> &mainCommands()
{
    static const QList<MainCommand> commands = {
        {"mnuHoldNewAssign", "mnuHold", u"新书分配", "3001", "frmNewBookAssign", "", false, false},
        {"mnuHoldOutChkBill", "mnuHold", u"交接清单", "3001", "frmOutChkBill", "", false, false},
        {"mnuHoldCount", "mnuHold", u"馆藏清点", "3004", "frmHold_BookCount_New", "", false, true},
        {"mnuHoldGoto", "mnuHold", u"书刊调拨", "3009", "frmHold_BookGoto_New", "", false, false},
        {"mnuHoldRepair", "mnuHold", u"书刊修补", "3002", "frmHold_BookRepair", "", false, true},
        {"mnuHoldRepairCheck", "mnuHold", u"修补回验", "3003", "frmHold_BookCheckBack", "", false, false},
        {"mnuHoldRejectBook", "mnuHold", u"书刊剔旧", "3008", "frmHold_BookPR_EX_RJ", "03", true, true},
        {"mnuHoldPresent", "mnuHold", u"书刊赠送", "3006", "frmHold_BookPR_EX_RJ", "04", true, false},
        {"mnuHoldExchang", "mnuHold", u"书刊换出", "3007", "frmHold_BookPR_EX_RJ", "05", true, false},
        {"mnuHoldStatus", "mnuHold", u"书刊状态特别处理", "3010", "frmHold_BookState", "", false, true},
        {"mnuHoldRejectReader", "mnuHold", u"读者异常注销", "3011", "frmHold_BookLost2", "", false, false},
        {"mnuVirtualShelf", "mnuHold", u"公共书架", "3022", "frmVirtualShelf", "", false, true},
        {"mnuLogin", "mnuHold", u"重新登录", "", "", "", false, true},
        {"mnuExit", "mnuHold", u"退出系统", "", "", "", false, false},
        {"mnuCompactShelf", "mnuCompact", u"分配排架号", "3014", "frmCompactShelf", "", false, false},
        {"mnuCompactShelfManage", "mnuCompact", u"修改排架号", "3015", "frmCompactModifyShelf", "", false, false},
        {"mnuCompactStat", "mnuCompact", u"排架号浏览", "", "frmCompactStat", "", false, false},
        {"mnuCompactBarcode", "mnuCompact", u"更改条码号", "3016", "frmCompactBarCode", "", false, true},
        {"mnuStatJob", "mnuStat", u"工作量统计", "", "frmStatJob", "3%", false, false},
        {"mnuBookSearch", "mnuStat", u"书刊信息查询", "", "frmBookInfo", "", false, false},
        {"mnuNewBookAllotStat", "mnuNewBookStat", u"按馆藏地统计", "", "frmNewBookAllStat", "", false, false},
        {"mnuStoreClassStat", "mnuNewBookStat", u"按分类统计", "", "frmNewBookLocaClsStat", "", false, false},
        {"mnuNewBookLoca", "mnuNewBookStat", u"馆藏地新书分类统计", "", "frmNewBookLoca", "", false, false},
        {"mnuLocaStat", "mnuStat", u"馆藏地藏书分类统计", "", "frmLocaStat", "", false, false},
        {"mnuAllLocaStat", "mnuStat", u"全馆藏书分类统计", "", "frmAllLocaStat", "", false, false},
        {"mnuStatLogSearch", "mnuStat", u"日志查询", "", "frmLogSearch", "", false, true},
        {"mnuAutoAssignCfg", "mnuOption", u"新书自动分配规则设置", "3001", "frmAutoAssignCfg", "", false, false},
        {"mnuToolAddins", "mnuTool", u"插件管理(&E)", "", "frmAddinManager", "", false, false},
        {"mnuViewToolbar", "mnuView", u"工具栏", "", "", "", false, false},
        {"mnuViewStatusBar", "mnuView", u"状态栏", "", "", "", false, false},
        {"mnuWindowTileHorizontal", "mnuView", u"横向平铺", "", "", "", false, true},
        {"mnuWindowTileVertical", "mnuView", u"纵向平铺", "", "", "", false, false},
        {"mnuWindowCascade", "mnuView", u"层叠", "", "", "", false, false},
        {"mnuWindowArrangeIcons", "mnuView", u"排列图标", "", "", "", false, false},
        {"mnuHelpAbout", "mnuHelp", u"关于(&A)...", "", "", "", false, false},
        {"mnuJumpCF", "mnuJump", u"采访", "", "", "", false, false},
        {"mnuJumpBM", "mnuJump", u"编目", "", "", "", false, false},
        {"mnuJumpDC", "mnuJump", u"典藏", "", "", "", false, false},
        {"mnuJumpLTJH", "mnuJump", u"流通借还", "", "", "", false, false},
        {"mnuJumpLTGL", "mnuJump", u"流通管理", "", "", "", false, false},
        {"mnuJumpLTYL", "mnuJump", u"流通阅览", "", "", "", false, false},
        {"mnuJumpLTWT", "mnuJump", u"流通委托", "", "", "", false, false},
        {"mnuJumpQK", "mnuJump", u"连续出版物", "", "", "", false, false},
        {"mnuJumpSYS", "mnuJump", u"系统管理", "", "", "", false, false},
        {"mnuJumpTJ", "mnuJump", u"统计", "", "", "", false, false},
    };
    return commands;
}

const QList<ToolbarButton> &toolbarButtons()
{
    static const QList<ToolbarButton> buttons = {
        {"NewAssign", "mnuHoldNewAssign", false}, {"MoveBill", "mnuHoldOutChkBill", false},
        {"CountNew", "mnuHoldCount", true},       {"GotoNew", "mnuHoldGoto", true},
        {"Repair", "mnuHoldRepair", true},        {"Reject", "mnuHoldRejectBook", true},
    };
    return buttons;
}

const MainCommand *findMainCommand(const QString &key)
{
    for (const MainCommand &c : mainCommands()) {
        if (key == QLatin1String(c.key))
            return &c;
    }
    return nullptr;
}

QString moduleCaption(const QString &moduleName)
{
    return QStringLiteral("Orvane文献信息服务系统Kestra%1.%2 - ").arg(KESTRA_VERSION_MAJOR).arg(KESTRA_VERSION_MINOR) +
           moduleName;
}

QString jumpModuleName(const QString &menuKey)
{
    const MainCommand *c = findMainCommand(menuKey);
    if (c == nullptr || QLatin1String(c->menu) != QLatin1String("mnuJump"))
        return {};
    return QString::fromUtf16(c->caption);
}

} // namespace kestra
