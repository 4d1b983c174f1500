"""Generates the network part's fact questions: well-known ports, OSI layers
of devices and protocols, protocol data units, and subnetting.

Answers are computed (ipaddress) or taken from the fact tables below, and the
option order is shuffled with a fixed seed so a re-run gives the same file.
Run: python3 tools/demo-gen/gen_network_facts.py
"""
import ipaddress
import random

from banklib import choice_question, question, replace_block, shuffled

PART_FILE = "04-计算机网络.txt"

# name, description used in the stem, transport, port
PORTS = [
    ("HTTP", "Web服务器的HTTP服务", "TCP", 80),
    ("HTTPS", "基于TLS的HTTPS服务", "TCP", 443),
    ("FTP控制连接", "FTP服务器的控制连接", "TCP", 21),
    ("SSH", "SSH远程登录服务", "TCP", 22),
    ("Telnet", "Telnet远程终端服务", "TCP", 23),
    ("SMTP", "SMTP邮件发送服务", "TCP", 25),
    ("DNS", "DNS域名解析服务", "UDP", 53),
    ("POP3", "POP3邮件接收服务", "TCP", 110),
    ("IMAP", "IMAP邮件访问服务", "TCP", 143),
    ("SNMP代理", "SNMP代理（被管设备）", "UDP", 161),
    ("TFTP", "TFTP简单文件传送服务", "UDP", 69),
    ("DHCP服务器", "DHCP服务器", "UDP", 67),
]
PORT_BY_NUMBER = {p[3]: p for p in PORTS}

# Ports asked as "which port does X use" and as "which protocol owns port N".
ASK_PORT = ["SMTP", "HTTPS", "SSH", "SNMP代理", "IMAP", "DHCP服务器"]
ASK_PROTOCOL = [23, 110, 53, 69]

OSI_LAYERS = ["物理层", "数据链路层", "网络层", "传输层", "会话层", "表示层", "应用层"]

# thing, is it a device, layer, why
LAYER_FACTS = [
    ("集线器（Hub）", True, "物理层", "集线器只对比特信号进行再生和转发，不识别帧和地址，因此属于物理层设备"),
    ("网桥（Bridge）", True, "数据链路层", "网桥根据帧中的MAC地址进行过滤和转发，工作在数据链路层"),
    ("路由器（Router）", True, "网络层", "路由器依据IP地址和路由表为分组选择路径，工作在网络层"),
    ("PPP协议", False, "数据链路层", "PPP用于点对点链路上的帧封装、链路控制和差错检测，属于数据链路层协议"),
    ("UDP协议", False, "传输层", "UDP为应用进程之间提供无连接的端到端数据报服务，属于传输层协议"),
    ("HTTP协议", False, "应用层", "HTTP直接为Web浏览器和服务器等应用进程服务，属于应用层协议"),
]

PDU_NAMES = ["比特", "帧", "IP数据报（分组）", "报文段"]
PDU_FACTS = [
    ("数据链路层", "帧", "数据链路层在网络层分组前后加上首部和尾部（含帧校验序列FCS）封装成帧"),
    ("TCP协议（传输层）", "报文段", "TCP把应用层数据加上TCP首部后形成报文段（segment），再交给IP封装为数据报"),
]


def port_questions(rng):
    out = []
    seq = 801
    by_name = {p[0]: p for p in PORTS}
    for name in ASK_PORT:
        _, desc, transport, port = by_name[name]
        others = rng.sample([p for p in PORTS if p[0] != name], 3)
        options, (right,) = shuffled(rng, [str(port)] + [str(p[3]) for p in others], [0])
        stem = f"在默认配置下，{desc}使用的熟知端口号是（  ）。"
        others_text = "，".join(f"{p[3]}是{p[0]}的端口" for p in others)
        analysis = f"{name}的熟知端口是{transport} {port}。其余选项中，{others_text}。"
        out.append(choice_question(f"040302000{seq}", 11, "040302", ["04000304"], stem, options, [right], analysis))
        seq += 1
    for port in ASK_PROTOCOL:
        name, desc, transport, _ = PORT_BY_NUMBER[port]
        others = rng.sample([p for p in PORTS if p[3] != port], 3)
        options, (right,) = shuffled(rng, [name] + [p[0] for p in others], [0])
        stem = f"某服务器在{transport} {port}端口上等待客户端访问，按熟知端口的约定，它提供的服务最可能是（  ）。"
        others_text = "，".join(f"{p[0]}使用{p[2]} {p[3]}" for p in others)
        analysis = f"{transport} {port}是{name}的熟知端口；{others_text}。"
        out.append(choice_question(f"040302000{seq}", 11, "040302", ["04000304"], stem, options, [right], analysis))
        seq += 1
    return out


def layer_questions(rng):
    out = []
    seq = 801
    for thing, device, layer, why in LAYER_FACTS:
        wrong = rng.sample([l for l in OSI_LAYERS[:4] + ["应用层"] if l != layer], 3)
        options, (right,) = shuffled(rng, [layer] + list(wrong), [0])
        if device:
            stem = f"在OSI参考模型中，{thing}工作在（  ）。"
            points = ["04000101", "04000404"]
        else:
            stem = f"按OSI参考模型的层次划分，{thing}属于（  ）的协议。"
            points = ["04000101"]
        out.append(choice_question(f"040101000{seq}", 11, "040101", points, stem, options, [right], why + "。"))
        seq += 1
    for layer, pdu, why in PDU_FACTS:
        options, (right,) = shuffled(rng, [pdu] + [n for n in PDU_NAMES if n != pdu], [0])
        stem = f"{layer}的协议数据单元（PDU）通常称为（  ）。"
        out.append(choice_question(f"040101000{seq}", 11, "040101", ["04000103"], stem, options, [right], why + "。"))
        seq += 1
    return out


def mask_of(prefix):
    return str(ipaddress.IPv4Network(f"0.0.0.0/{prefix}").netmask)


def hosts_of(prefix):
    return 2 ** (32 - prefix) - 2


def subnet_questions(rng):
    out = []
    seq = 801

    def add_choice(stem, right_text, wrong_texts, analysis, points=("04000202",)):
        nonlocal seq
        wrong = [w for w in dict.fromkeys(wrong_texts) if w != right_text][:3]
        assert len(wrong) == 3, stem
        options, (right,) = shuffled(rng, [right_text] + list(wrong), [0])
        out.append(choice_question(f"040201000{seq}", 11, "040201", list(points), stem, options, [right], analysis))
        seq += 1

    def add_fill(stem, answer, analysis):
        nonlocal seq
        out.append(question(f"040201000{seq}", 13, "040201", ["04000202"], 1, answer, stem, analysis))
        seq += 1

    for prefix in (26, 20):
        add_choice(f"网络前缀长度为/{prefix}时，对应的点分十进制子网掩码是（  ）。",
                   mask_of(prefix), [mask_of(prefix - 1), mask_of(prefix + 1), mask_of(prefix + 2)],
                   f"/{prefix}表示掩码前{prefix}位为1、其余{32 - prefix}位为0，写成点分十进制即{mask_of(prefix)}。")

    for prefix in (28, 22):
        h = hosts_of(prefix)
        add_choice(f"一个子网的掩码为{mask_of(prefix)}，该子网中最多可分配给主机使用的IP地址有（  ）个。",
                   str(h), [str(h + 2), str(h + 1), str(hosts_of(prefix - 1))],
                   f"该掩码对应/{prefix}，主机号占{32 - prefix}位，共2^{32 - prefix} = {h + 2}个地址，"
                   f"去掉全0的网络地址和全1的广播地址，可用{h}个。")

    iface = ipaddress.IPv4Interface("192.168.10.77/27")
    net = iface.network
    block = net.num_addresses
    add_choice(f"主机的IP地址为{iface.ip}，子网掩码为{iface.netmask}，该主机所在子网的网络地址是（  ）。",
               str(net.network_address),
               [str(net.network_address - block), str(net.network_address + block), str(iface.ip - 1),
                str(net.broadcast_address)],
               f"掩码{iface.netmask}即/{net.prefixlen}，每个子网{block}个地址。77落在{net.network_address}～"
               f"{net.broadcast_address}这个块中，IP地址与掩码逐位相与得网络地址{net.network_address}。")

    iface = ipaddress.IPv4Interface("172.16.45.130/21")
    net = iface.network
    add_choice(f"地址{iface.ip}/{net.prefixlen}所在子网的直接广播地址是（  ）。",
               str(net.broadcast_address),
               ["172.16.45.255", "172.16.40.255", str(net.broadcast_address + 2 ** 11), "172.16.255.255"],
               f"/{net.prefixlen}的掩码为{iface.netmask}，第三字节的块大小为8，45位于40～47之间，"
               f"因此网络地址为{net.network_address}，主机位全置1得广播地址{net.broadcast_address}。")

    nets = [ipaddress.IPv4Network(f"192.168.{i}.0/24") for i in range(16, 20)]
    summary = list(ipaddress.collapse_addresses(nets))
    assert len(summary) == 1
    s = summary[0]
    add_choice(f"路由器连接了{nets[0]}、{nets[1]}、{nets[2]}和{nets[3]}四个网络。"
               f"若要用一条聚合路由恰好覆盖这四个网络且不包含其他地址，该聚合路由应为（  ）。",
               str(s), ["192.168.16.0/21", "192.168.16.0/23", "192.168.0.0/20"],
               f"16～19的二进制为000100 00～000100 11，前6位相同，加上前两个字节共16+6 = {s.prefixlen}位公共前缀，"
               f"因此聚合为{s}；/21会多包含20～23，/23只覆盖16和17。", points=("04000202", "04000203"))

    add_fill("子网掩码255.255.255.248对应的网络前缀长度为（  ）位。", "29",
             "248 = 11111000，前三个字节24位加上第四字节的5位，共29位。")
    add_fill("将一个/24的网络等分为8个子网，每个子网的网络前缀长度为（  ）位，每个子网可分配的主机地址有（  ）个。（按顺序填写两个数）",
             f"27,{hosts_of(27)}",
             f"8 = 2^3，需从主机位借3位，前缀变为24+3 = 27；剩余5位主机位，2^5 - 2 = {hosts_of(27)}个可用地址。")
    return out


def main():
    rng = random.Random(20270404)
    replace_block(PART_FILE, "ports", port_questions(rng))
    replace_block(PART_FILE, "layers", layer_questions(rng))
    replace_block(PART_FILE, "subnets", subnet_questions(rng))


if __name__ == "__main__":
    main()
