// The licence text. Headings and finished paragraphs end with two line feeds; paragraphs begin
// with two ideographic spaces. Section 2's paragraph runs over from screen 1 onto screen 2.

#include "ui/licence_text.h"

namespace ui {

std::vector<std::string> LicenceScreenPieces(int screen) {
    switch (screen) {
        case 0:
            return {
                "             Brelix 结构工具箱最终用户许可协议\n\n",
                "重要须知━请认真阅读：本《最终用户许可协议》（以下称《协议》）是您与本软件著作权人之间"
                "有关本软件产品的法律协议。您一旦安装、复制或以其他方式使用本软件，即表示同意接受本"
                "《协议》各项条款的约束；如果您不同意，请停止安装。\n\n",
                "软件产品许可协议\n\n",
                "　　本软件产品受中华人民共和国著作权法、计算机软件保护条例及有关国际著作权条约和其他"
                "知识产权法律法规的保护。本软件产品只许可使用，而不出售。\n\n",
            };
        case 1:
            return {
                "1．版权\n\n",
                "　　本软件产品（包括但不限于其中所含的程序、图形、截面数据、图库、文字及附加程序）、"
                "随附的印刷材料及其任何副本的一切所有权和知识产权，均归本软件著作权人所有。通过使用本"
                "软件产品可以访问的内容，其所有权和知识产权归各自的内容所有者所有，并受相关法律的保护。"
                "\n\n",
                "2．保证否认书\n\n",
                "　　在适用法律允许的最大范围内，本软件著作权人不就本软件产品作任何明示或默示的保证，"
                "包括但不限于对适销性、",
            };
        case 2:
            return {
                "适用于特定用途以及不侵权的默示保证。因使用或不能使用本软件产品所引起的任何直接或间接"
                "损失，本软件著作权人均不承担责任。\n\n",
                "3．鉴定\n\n",
                "　　本软件产品未经任何权威机构鉴定。将本软件的计算结果和图纸用于实际工程，其风险由您"
                "自行承担，请务必认真校核。\n\n",
                "4、个别授权\n\n",
                "　　未经本软件著作权人书面同意，任何单位和个人不得将本软件产品复制、分发或用于向公众"
                "提供服务。\n\n",
            };
        case 3:
            return {
                "\n",
                "本协议的最终解释权归本软件著作权人所有。\n\n",
                "软件编制人：林志远  陈晓东  周雅琴\n\n",
                "本协议最终修订日期： 2020-03-15",
            };
        default:
            return {};
    }
}

}  // namespace ui
