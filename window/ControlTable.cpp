#include "window/ControlTable.h"

namespace tqv::window {

using C = Control;
using K = Kind;

const FormSetting Form{
    "TQV5200-1测试及编程源程序",
    8085,
    6300,
    200,
    1,
    16,
    1,
    {"宋体", 14.25, 400, 134},
    {255, 192, 128},
};

// In the order the controls are stored: a container precedes its children, and a
// later control stacks above an earlier one where they overlap.
const std::array<ControlRow, 44> ControlTable{{
    {C::Frame3, -1, K::Frame, C::FrmMultiBuf, "开关量输出--按位输出模式", 4185, 4365, 3870, 1335, 35, NoSetting},
    {C::UpDownBitNum, -1, K::Spinner, C::Frame3, "", 2565, 675, 240, 285, 41, NoSetting, 10},
    {C::cmdDOOutput, -1, K::Button, C::Frame3, "输出", 3015, 585, 768, 510, 38, NoSetting},
    {C::txtDOChn, -1, K::TextBox, C::Frame3, "1", 2064, 675, 516, 288, 37, NoSetting, 10},
    {C::txtDOValue, -1, K::TextBox, C::Frame3, "0", 2040, 270, 516, 300, 36, NoSetting, 11},
    {C::Label1, 13, K::Label, C::Frame3, "(双击改变)", 2655, 270, 900, 180, 42, NoSetting},
    {C::Label1, 11, K::Label, C::Frame3, "开关量输出值(0 /1)：", 90, 360, 1800, 180, 40, NoSetting},
    {C::Label1, 10, K::Label, C::Frame3, "通道组数(1-16)：", 90, 765, 1440, 180, 39, NoSetting},
    {C::chkDisp, -1, K::CheckBox, C::FrmMultiBuf, "显示更新", 5715, 3285, 1170, 255, 34, Checked},
    {C::txtInfo, -1, K::TextBox, C::FrmMultiBuf, "Info", 5130, 720, 1755, 2400, 32, MultiLine, 5},
    {C::cmdStop, -1, K::Button, C::FrmMultiBuf, "停止采集", 5625, 5670, 936, 444, 26, NoSetting},
    {C::Frame1, -1, K::Frame, C::FrmMultiBuf, "开关量输出--按字节输出模式", 0, 4320, 4140, 1335, 21, NoSetting},
    {C::txtswChn, -1, K::TextBox, C::Frame1, "0", 2040, 270, 516, 300, 27, NoSetting, 9},
    {C::txtSWO_0, -1, K::TextBox, C::Frame1, "00", 2064, 675, 516, 288, 23, NoSetting, 8},
    {C::cmdSWO, -1, K::Button, C::Frame1, "输出", 2700, 450, 768, 336, 22, NoSetting},
    {C::Label1, 9, K::Label, C::Frame1, "通道组（0 或1）：", 195, 330, 1545, 180, 29, NoSetting},
    {C::Label1, 8, K::Label, C::Frame1, "开关量输出值(hex)：", 45, 750, 1740, 180, 28, NoSetting},
    {C::Frame2, -1, K::Frame, C::FrmMultiBuf, "开关量输入", 0, 2430, 4845, 1845, 14, NoSetting},
    {C::Label1, 4, K::Label, C::Frame2, "位:", 168, 336, 180, 192, 20, NoSetting},
    {C::Label1, 6, K::Label, C::Frame2, "开关量输入0：", 168, 696, 948, 192, 19, NoSetting},
    {C::Label1, 7, K::Label, C::Frame2, "开关量输入1：", 144, 1056, 948, 192, 18, NoSetting},
    {C::lblDI_0, -1, K::Label, C::Frame2, "DI0", 1320, 690, 240, 195, 17, RuntimeCaption},
    {C::lblBit, -1, K::Label, C::Frame2, "Bit", 930, 300, 180, 195, 16, RuntimeCaption},
    {C::lblDI_1, -1, K::Label, C::Frame2, "DI1", 1320, 1050, 240, 195, 15, RuntimeCaption},
    {C::cmdStart, -1, K::Button, C::FrmMultiBuf, "开始采集", 4230, 5715, 936, 444, 1, NoSetting},
    {C::cmdExit, -1, K::Button, C::FrmMultiBuf, "退出", 7110, 5625, 936, 444, 0, NoSetting},
    {C::TimerAD, -1, K::Timer, C::FrmMultiBuf, "", 0, 0, 0, 0, -1, NoSetting},
    {C::Label1, 5, K::Label, C::FrmMultiBuf, "信息显示(平均值):", 5130, 450, 1530, 180, 33, NoSetting},
    {C::lblCardInfo, -1, K::Label, C::FrmMultiBuf, "lblCardInfo", 1215, 5805, 990, 180, 31, RuntimeCaption},
    {C::Label2, -1, K::Label, C::FrmMultiBuf, "板卡信息:", 90, 5805, 810, 180, 30, NoSetting},
    {C::Label1, 12, K::Label, C::FrmMultiBuf, "开关量输入:", 120, 2070, 990, 180, 25, NoSetting},
    {C::lblDI, -1, K::Label, C::FrmMultiBuf, "00", 1215, 1980, 300, 285, 24, OwnFont | RuntimeCaption},
    {C::Label5, -1, K::Label, C::FrmMultiBuf, "缓冲区指针:", 150, 1680, 990, 180, 13, NoSetting},
    {C::Label4, -1, K::Label, C::FrmMultiBuf, "接收数据块数:", 72, 1416, 1176, 180, 12, NoSetting},
    {C::lblptr, -1, K::Label, C::FrmMultiBuf, "Label3", 1320, 1680, 570, 180, 11, RuntimeCaption},
    {C::lblBlock, -1, K::Label, C::FrmMultiBuf, "Label2", 1350, 1410, 570, 180, 10, RuntimeCaption},
    {C::Label1, 0, K::Label, C::FrmMultiBuf, "通道1:", 180, 180, 555, 180, 9, NoSetting},
    {C::Label1, 1, K::Label, C::FrmMultiBuf, "通道2:", 180, 450, 555, 180, 8, NoSetting},
    {C::Label1, 2, K::Label, C::FrmMultiBuf, "通道3:", 180, 720, 555, 180, 7, NoSetting},
    {C::Label1, 3, K::Label, C::FrmMultiBuf, "通道4:", 180, 1035, 555, 180, 6, NoSetting},
    {C::lblAD, 0, K::Label, C::FrmMultiBuf, "0.000", 1245, 165, 930, 180, 5, OrangeBackground | RuntimeCaption},
    {C::lblAD, 1, K::Label, C::FrmMultiBuf, "0.000", 1230, 480, 930, 180, 4, OrangeBackground | RuntimeCaption},
    {C::lblAD, 2, K::Label, C::FrmMultiBuf, "0.000", 1245, 795, 870, 180, 3, OrangeBackground | RuntimeCaption},
    {C::lblAD, 3, K::Label, C::FrmMultiBuf, "0.000", 1245, 1050, 900, 180, 2, OrangeBackground | RuntimeCaption},
}};

const ControlRow* findControl(Control name, int index) {
    for (const auto& row : ControlTable) {
        if (row.name == name && row.index == index) return &row;
    }
    return nullptr;
}

}  // namespace tqv::window
