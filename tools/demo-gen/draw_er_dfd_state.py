"""Draws the diagrams candidates complete or check: an E-R diagram with its
relationship types left blank (part 05), a data-flow diagram with one flow
against the drawing rules (part 31) and an order's state machine (part 31).
The questions that show them state the same facts, so keep both in step.

    python3 tools/demo-gen/draw_er_dfd_state.py
"""

import os

from banklib import IMAGES, Canvas


def entity(c, cx, cy, label, w=90, h=46):
    c.box(cx - w / 2, cy - h / 2, w, h, label)


def attribute(c, cx, cy, label, to, rx=34):
    # `to`: the point of the entity or relationship the attribute hangs on.
    c.line(cx, cy + 16, *to)
    c.oval(cx, cy, rx, 16, label)


# At most 600 pixels wide: the stem of the 1024x768 practice screen shows them whole.

def er_reader_book():
    c = Canvas(580, 320)
    attribute(c, 40, 45, "读者号", (55, 130))
    attribute(c, 110, 45, "姓名", (85, 130))
    attribute(c, 250, 45, "书号", (270, 130))
    attribute(c, 320, 45, "书名", (300, 130))
    attribute(c, 470, 45, "社号", (490, 130))
    attribute(c, 540, 45, "社名", (520, 130))
    c.line(110, 153, 135, 153)
    c.line(215, 153, 240, 153)
    c.line(330, 153, 355, 153)
    c.line(435, 153, 460, 153)
    c.line(65, 176, 65, 193)
    c.line(65, 243, 65, 260)
    c.line(110, 283, 141, 283)
    c.line(175, 181, 175, 214)
    entity(c, 65, 153, "读者")
    entity(c, 285, 153, "图书")
    entity(c, 505, 153, "出版社")
    entity(c, 65, 283, "借书证")
    c.diamond(175, 153, 80, 56, "借阅")
    c.diamond(395, 153, 80, 56, "出版")
    c.diamond(65, 218, 80, 50, "持有")
    c.oval(175, 230, 40, 16, "借阅日期")
    c.oval(175, 283, 34, 16, "证号")
    for x, y, blank in ((175, 112, "(1)"), (395, 112, "(2)"), (125, 218, "(3)")):
        c.text(x, y, blank, 15, True)
    c.save("er_reader_book_publisher.png", colors=16, dither=False)


def process(c, cx, cy, number, name, w=104, h=56):
    c.rect(cx - w / 2, cy - h / 2, cx + w / 2, cy + h / 2, "#f4f8ff", rounded=True)
    c.text(cx, cy - 11, number, 14, True)
    c.text(cx, cy + 11, name, 14, True)


def store(c, x1, y1, x2, y2, number, name):
    # Open at the right end, the number in a cell of its own.
    c.polyline([(x2, y1), (x1, y1), (x1, y2), (x2, y2)])
    c.line(x1 + 36, y1, x1 + 36, y2)
    c.text(x1 + 18, (y1 + y2) / 2, number, 14, True)
    c.text((x1 + 36 + x2) / 2, (y1 + y2) / 2, name, 14, True)


def dfd_order_fault():
    c = Canvas(600, 330)
    c.arrow(80, 60, 148, 60)
    c.arrow(252, 60, 340, 60)
    c.polyline([(460, 60), (530, 60), (530, 134)])
    c.arrow_head(530, 100, 530, 142)
    c.arrow(530, 198, 530, 270)
    c.polyline([(495, 292), (410, 292), (410, 86)])
    c.arrow_head(410, 120, 410, 78)
    c.polyline([(360, 78), (360, 220), (260, 220)])
    c.arrow_head(300, 220, 252, 220)
    c.polyline([(148, 220), (45, 220), (45, 90)])
    c.arrow_head(45, 120, 45, 82)
    for x, y, label in ((114, 42, "①订单"), (296, 42, "②有效订单"), (514, 42, "③待处理订单"),
                        (475, 234, "④发货通知"), (365, 262, "⑤发货记录"), (306, 204, "⑥已发货订单"),
                        (96, 204, "⑦发票")):
        c.text(x, y, label, 13, True)
    c.box(10, 38, 70, 44, "客户")
    c.box(495, 270, 70, 44, "仓库")
    process(c, 200, 60, "1", "接收订单")
    process(c, 530, 170, "2", "安排发货")
    process(c, 200, 220, "3", "开具发票")
    store(c, 340, 42, 460, 78, "D1", "订单文件")
    c.save("dfd_order_fault.png", colors=16, dither=False)


def dfd_levels_unbalanced():
    c = Canvas(600, 400)
    # The context diagram above, its level-0 diagram below.
    c.text(8, 6, "顶层图", 13)
    c.arrow(90, 62, 230, 62)
    c.arrow(230, 82, 90, 82)
    c.arrow(510, 62, 370, 62)
    c.arrow(370, 82, 510, 82)
    for x, y, label in ((160, 50, "选课申请"), (160, 95, "成绩通知"), (440, 50, "成绩单"), (440, 95, "课程名单")):
        c.text(x, y, label, 13, True)
    c.box(20, 50, 70, 40, "学生")
    c.box(510, 50, 70, 40, "教师")
    process(c, 300, 70, "0", "成绩管理系统", w=140)
    c.line(0, 120, 600, 120)
    c.text(8, 126, "0层图", 13)
    c.polyline([(55, 220), (55, 175), (120, 175)])
    c.arrow_head(90, 175, 128, 175)
    c.arrow(232, 175, 300, 175)
    c.polyline([(400, 193), (400, 280), (430, 280)])
    c.arrow_head(410, 280, 438, 280)
    c.arrow(520, 195, 520, 252)
    c.polyline([(490, 308), (490, 360), (428, 360)])
    c.arrow_head(460, 360, 420, 360)
    c.arrow(300, 360, 232, 360)
    c.polyline([(128, 360), (55, 360), (55, 268)])
    c.arrow_head(55, 300, 55, 260)
    for x, y, label in ((92, 160, "选课申请"), (266, 160, "选课记录"), (365, 236, "课程名单"), (560, 224, "成绩单"),
                        (455, 345, "成绩记录"), (266, 345, "成绩"), (92, 375, "成绩通知")):
        c.text(x, y, label, 13, True)
    c.box(20, 220, 70, 40, "学生")
    c.box(520, 155, 70, 40, "教师")
    process(c, 180, 175, "1", "处理选课")
    process(c, 490, 280, "2", "录入成绩")
    process(c, 180, 360, "3", "发布成绩")
    store(c, 300, 157, 420, 193, "D2", "选课文件")
    store(c, 300, 342, 420, 378, "D1", "成绩文件")
    c.save("dfd_levels_unbalanced.png", colors=16, dither=False)


def state(c, cx, cy, label, w=90, h=44):
    c.rect(cx - w / 2, cy - h / 2, cx + w / 2, cy + h / 2, "#f4f8ff", rounded=True)
    c.text(cx, cy, label, 14, True)


def order_states():
    c = Canvas(500, 260)
    c.circle(20, 60, 8, "black")
    c.arrow(28, 60, 60, 60)
    c.arrow(150, 60, 220, 60)
    c.arrow(310, 60, 380, 60)
    c.arrow(125, 82, 168, 198)
    c.arrow(245, 82, 202, 198)
    c.arrow(425, 82, 425, 198)
    c.text(185, 45, "支付成功", 13, True)
    c.text(345, 45, "发货", 13, True)
    c.text(72, 140, "取消订单, 支付超时", 13, True)
    c.text(308, 140, "申请退款 [商家同意]", 13, True)
    c.text(466, 140, "确认收货", 13, True)
    state(c, 105, 60, "待支付")
    state(c, 265, 60, "待发货")
    state(c, 425, 60, "待收货")
    state(c, 185, 220, "已关闭")
    state(c, 425, 220, "已完成")
    c.save("order_states.png", colors=16, dither=False)


def main():
    os.makedirs(IMAGES, exist_ok=True)
    er_reader_book()
    dfd_order_fault()
    dfd_levels_unbalanced()
    order_states()


if __name__ == "__main__":
    main()
