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
; Size:      39 bytes. Relocatable: no absolute address inside.
; Speed:     a literal record of n bytes 21n + 37 T-states (an LDIR); a run
;            of n bytes 19.5n + 44.5 for an odd n, 19.5n + 56 for an even
;            one (two bytes a loop), 12 more after another run; the
;            terminator 40 with the RET, the entry 7. Figures on whole
;            items: README, "On the target".
;
; In place: the stream may share one buffer with the bytes it unpacks, DE
; at the buffer's first byte and the stream's last byte at its last, when
; the buffer holds the item's N bytes and a margin of ceil(N / 126) + 1
; (the format's worst overhead; enough for any stream of N bytes). Each
; record is read before its bytes are written, so the output never
; overtakes a stream byte not yet read. Otherwise the stream may lie
; anywhere apart from the destination.

kestrip_unpack_bytes:
        ld b,0                  ; B stays 0 between records, so a count fits in C
        ld a,(hl)               ; the first control byte
        inc hl
        add a,a                 ; A = 2n; carry: a run; zero: the terminator (0x80 never occurs)
        jr c,kestrip_unpack_bytes_run
kestrip_unpack_bytes_literal:   ; A = 2n, n = 0..126
        ret z
        rrca                    ; A = n
        ld c,a
        ldir
        ld a,(hl)               ; after a literal comes a run, or the terminator
        inc hl                  ; (a literal only after one of 126 bytes)
        add a,a
        jr nc,kestrip_unpack_bytes_literal
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
        djnz kestrip_unpack_bytes_pairs         ; leaves B = 0
        ld a,(hl)               ; after a run, most often a literal
        inc hl
        add a,a
        jr nc,kestrip_unpack_bytes_literal
        jr kestrip_unpack_bytes_run
