-- Wireshark dissector for tavrin-cli capture files (link type DLT_USER0, 147).
--
-- Each record: one direction byte (0 received from the unit, 1 sent to it), the packet's
-- command byte, then its payload.
--
-- Use: wireshark -X lua_script:vx.lua capture.pcap (or copy this file into the personal
-- plugins folder), and map the link type once in Edit > Preferences > Protocols > DLT_USER:
-- DLT "User 0 (DLT=147)", payload protocol "vx".

local vx = Proto("vx", "VX device packet")

local directions = { [0] = "Received", [1] = "Sent" }

local f_direction = ProtoField.uint8("vx.direction", "Direction", base.DEC, directions)
local f_length = ProtoField.uint16("vx.length", "Length", base.DEC, nil, nil,
                                   "Payload bytes")
local f_command = ProtoField.uint8("vx.command", "Command", base.HEX)
local f_payload = ProtoField.bytes("vx.payload", "Payload")

vx.fields = { f_direction, f_length, f_command, f_payload }

local e_short = ProtoExpert.new("vx.short", "Record too short for a VX packet",
                                expert.group.MALFORMED, expert.severity.ERROR)
vx.experts = { e_short }

function vx.dissector(buffer, pinfo, tree)
    pinfo.cols.protocol = "VX"
    local subtree = tree:add(vx, buffer(), "VX packet")
    if buffer:len() < 2 then
        subtree:add_proto_expert_info(e_short)
        return
    end
    local direction = buffer(0, 1):uint()
    local command = buffer(1, 1):uint()
    local length = buffer:len() - 2
    subtree:add(f_direction, buffer(0, 1))
    subtree:add(f_length, length):set_generated()
    subtree:add(f_command, buffer(1, 1))
    if length > 0 then
        subtree:add(f_payload, buffer(2, length))
    end
    local arrow = directions[direction] or "?"
    pinfo.cols.src = direction == 1 and "host" or "unit"
    pinfo.cols.dst = direction == 1 and "unit" or "host"
    pinfo.cols.info = string.format("%s command 0x%02X, %d byte(s)", arrow, command, length)
    subtree:append_text(string.format(", %s, command 0x%02X, %d byte(s)", arrow, command, length))
end

-- Captures of link type DLT_USER0 are VX packets without the DLT_USER preference too.
DissectorTable.get("wtap_encap"):add(wtap.USER0, vx)
