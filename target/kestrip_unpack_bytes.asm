; kestrip_unpack_bytes: unpacks a byte stream (item header type 1).
;
; Reads the stream kestrip's byte compression writes:
;
;   stream  := record* terminator
;
;   terminator      +------+
;                   | 0x00 |                      end of the item
;                   +------+
;   literal record  +------+--------------+
;                   |  n   | n bytes      |     n = 1..126 (0x01..0x7E): copied
;                   +------+--------------+
;   run record      +--------+--------+
;                   | 0x80+n | byte v |         n = 3..126 (0x83..0xFE): v, n times
;                   +--------+--------+
;
; and writes the item's bytes, in order, from DE on. Nothing else in memory
; is written. The control bytes 0x7F..0x82 and 0xFF never occur in a stream
; kestrip wrote; the routine gives them no meaning of its own.
;
; In:        HL = the stream's first byte (just past the item header)
;            DE = where the item's first byte goes
; Out:       HL = the byte after the stream's terminator
;            DE = the byte after the last byte written
;            B = 0
; Destroys:  AF, C. IX, IY, the alternate registers and the stack are
;            left alone; interrupts stay as they were.
; Size:      41 bytes. Relocatable: no absolute address inside.
; Speed:     a literal record of n bytes 21n + 28 T-states (an LDIR), a run
;            of n bytes about 19.5n + 55 (two bytes a loop), the terminator
;            39; a call's RET 10 more.
;            Figures on whole items: README, "On the target".
;
; The stream may lie below the destination or above it; in place (the
; stream at the top of the destination's area) only when the stream never
; falls behind the bytes written.

kestrip_unpack_bytes:
        ld b,0                  ; B stays 0 between records, so a count fits in C
kestrip_unpack_bytes_record:
        ld c,(hl)               ; the control byte
        inc hl
        ld a,c
        add a,a                 ; A = 2n; carry: a run; zero: the terminator (0x80 never occurs)
        jr c,kestrip_unpack_bytes_run
        ret z
kestrip_unpack_bytes_literal:   ; BC = n
        ldir
        ld c,(hl)               ; the next control byte: after a literal, most often a run
        inc hl
        ld a,c
        add a,a
        jr nc,kestrip_unpack_bytes_not_run
kestrip_unpack_bytes_run:       ; A = 2n, n = 3..126
        rrca                    ; A = n, carry clear
        rra                     ; A = n / 2 pairs; carry: one byte more
        ld b,a
        ld a,(hl)               ; the byte to repeat
        inc hl
        jr nc,kestrip_unpack_bytes_pairs
        ld (de),a
        inc de
kestrip_unpack_bytes_pairs:
        ld (de),a
        inc de
        ld (de),a
        inc de
        djnz kestrip_unpack_bytes_pairs ; leaves B = 0
        ld c,(hl)               ; the next control byte
        inc hl
        ld a,c
        add a,a
        jr c,kestrip_unpack_bytes_run
kestrip_unpack_bytes_not_run:
        ret z
        jr kestrip_unpack_bytes_literal
