"""Draws the diagrams candidates complete or check: an E-R diagram with its
relationship types left blank (part 05), a data-flow diagram with one flow
against the drawing rules (part 31) and an order's state machine (part 31).
The questions that show them state the same facts, so keep both in step.

    python3 tools/demo-gen/draw_er_dfd_state.py
"""

import os

from banklib import IMAGES, Canvas


def entity(c, cx, cy, label, w=100, h=46):
    c.box(cx - w / 2, cy - h / 2, w, h, label)


def attribute(c, cx, cy, label, to, rx=34):
    # `to`: the point of the entity or relationship the attribute hangs on.
    c.line(cx, cy + 16, *to)
    c.oval(cx, cy, rx, 16, label)


def er_reader_book():
    c = Canvas(720, 320)
    attribute(c, 55, 45, "读者号", (75, 130))
    attribute(c, 130, 45, "姓名", (110, 130))
    attribute(c, 325, 45, "书号", (345, 130))
    attribute(c, 400, 45, "书名", (380, 130))
    attribute(c, 595, 45, "社号", (615, 130))
    attribute(c, 670, 45, "社名", (650, 130))
    c.line(140, 153, 180, 153)
    c.line(270, 153, 310, 153)
    c.line(410, 153, 450, 153)
    c.line(540, 153, 580, 153)
    c.line(90, 176, 90, 193)
    c.line(90, 243, 90, 260)
    c.line(140, 283, 166, 283)
    c.line(225, 181, 225, 214)
    entity(c, 90, 153, "读者")
    entity(c, 360, 153, "图书")
    entity(c, 630, 153, "出版社")
    entity(c, 90, 283, "借书证")
    c.diamond(225, 153, 90, 56, "借阅")
    c.diamond(495, 153, 90, 56, "出版")
    c.diamond(90, 218, 80, 50, "持有")
    c.oval(225, 230, 40, 16, "借阅日期")
    c.oval(200, 283, 34, 16, "证号")
    for x, y, blank in ((225, 112, "(1)"), (495, 112, "(2)"), (150, 218, "(3)")):
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
    c = Canvas(800, 270)
    y = 80
    c.arrow(80, y, 135, y)
    c.arrow(239, y, 321, y)
    c.arrow(441, y, 538, y)
    c.arrow(642, y, 720, y)
    c.arrow(381, 98, 381, 190)
    c.polyline([(329, 218), (45, 218), (45, 110)])
    c.arrow_head(45, 140, 45, 102)
    c.polyline([(755, 102), (755, 150), (425, 150), (425, 110)])
    c.arrow_head(425, 140, 425, 98)
    for x, yy, label in ((107, 60, "①订单"), (280, 60, "②有效订单"), (489, 60, "③待处理订单"),
                         (681, 60, "④发货通知"), (590, 134, "⑤发货记录"), (446, 176, "⑥已发货订单"),
                         (187, 202, "⑦发票")):
        c.text(x, yy, label, 13, True)
    c.box(10, 58, 70, 44, "客户")
    c.box(720, 58, 70, 44, "仓库")
    process(c, 187, y, "1", "接收订单")
    process(c, 590, y, "2", "安排发货")
    process(c, 381, 218, "3", "开具发票")
    store(c, 321, 62, 441, 98, "D1", "订单文件")
    c.save("dfd_order_fault.png", colors=16, dither=False)


def state(c, cx, cy, label, w=110, h=44):
    c.rect(cx - w / 2, cy - h / 2, cx + w / 2, cy + h / 2, "#f4f8ff", rounded=True)
    c.text(cx, cy, label, 14, True)


def order_states():
    c = Canvas(780, 280)
    c.circle(30, 70, 8, "black")
    c.arrow(38, 70, 95, 70)
    c.arrow(205, 70, 345, 70)
    c.arrow(455, 70, 595, 70)
    c.arrow(170, 92, 245, 208)
    c.arrow(380, 92, 305, 208)
    c.arrow(650, 92, 650, 208)
    c.text(275, 55, "支付成功", 13, True)
    c.text(525, 55, "发货", 13, True)
    c.text(118, 160, "取消订单, 支付超时", 13, True)
    c.text(445, 160, "申请退款 [商家同意]", 13, True)
    c.text(700, 150, "确认收货", 13, True)
    state(c, 150, 70, "待支付")
    state(c, 400, 70, "待发货")
    state(c, 650, 70, "待收货")
    state(c, 275, 230, "已关闭")
    state(c, 650, 230, "已完成")
    c.save("order_states.png", colors=16, dither=False)


def main():
    os.makedirs(IMAGES, exist_ok=True)
    er_reader_book()
    dfd_order_fault()
    order_states()


if __name__ == "__main__":
    main()
