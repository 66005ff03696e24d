; kestrip_find_item: finds an item in a binary built with headers on.
;
; Walks the item headers kestrip writes before each item's bytes:
;
;   offset 0  u8      type    0 uncompressed, 1 byte, 2 word, 3 LZ compression
;   offset 1  u16 LE  length  the number of item bytes that follow
;
; Items follow each other with nothing in between, so item k + 1's header
; lies just past item k's bytes. The ids (the listing's TAG_id) count the
; items with headers from 0, in order: this walk is right only when every
; item before the one asked for has a header (no "headers off" before it).
; The routine trusts the id: asked for one past the last item, it reads
; whatever follows the binary as a header.
;
; In:        HL = the binary's first byte (the first item's header)
;            A = the item's id, 0..255
; Out:       HL = the item's first data byte
;            BC = its length (stream bytes, for a compressed item)
;            A = its header type
; Destroys:  F, DE. IX, IY, the alternate registers and the stack are left
;            alone; nothing in memory is written; interrupts stay as they were.
; Size:      16 bytes. Relocatable: no absolute address inside.
; Speed:     73 T-states per item walked past, 77 for the one found (with
;            its RET).

kestrip_find_item:
        ld d,a
        inc d                   ; D = headers to read (id 255: 0, read as 256)
kestrip_find_item_header:
        ld e,(hl)               ; the type
        inc hl
        ld c,(hl)               ; the length, low byte first
        inc hl
        ld b,(hl)
        inc hl
        dec d
        jr z,kestrip_find_item_found
        add hl,bc               ; past this item's bytes: the next header
        jr kestrip_find_item_header
kestrip_find_item_found:
        ld a,e
        ret
