; kestrip_unpack_words: unpacks a word stream (item header type 2).
;
; Reads the stream kestrip's word compression writes, whose unit is a
; 16-bit word of two bytes, as they lie in the item (low byte first):
;
;   stream  := record* terminator
;
;   terminator      +------+
;                   | 0x00 |                      end of the item
;                   +------+
;   literal record  +------+------------------+
;                   |  n   | n words (2n B)   |   n = 1..126 (0x01..0x7E): copied
;                   +------+------------------+
;   run record      +--------+-------+--------+
;                   | 0x80+n |  low  |  high  |   n = 3..126 (0x83..0xFE): the two
;                   +--------+-------+--------+   bytes, n times (2n bytes)
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
; Speed:     a literal record of n words 42n + 40 T-states (an LDIR of its
;            2n bytes), a run of n words about 32.5n + 120 (two words a
;            loop); the terminator 34; a call's RET 10 more. Figures on
;            whole items: README, "On the target".
;
; In place: the stream may share one buffer with the bytes it unpacks, DE
; at the buffer's first byte and the stream's last byte at its last, when
; the buffer holds the item's N bytes and a margin of ceil(N / 252) + 1
; (the format's worst overhead: 126 words a literal record). Each record
; is read before its bytes are written, so the output never overtakes a
; stream byte not yet read.

kestrip_unpack_words:
        ld b,0                  ; B stays 0 between records, so a count fits in C
kestrip_unpack_words_record:
        ld a,(hl)               ; the control byte
        inc hl
        add a,a                 ; A = 2n, the record's bytes; carry: a run;
        jr c,kestrip_unpack_words_run ; zero: the terminator (0x80 never occurs)
        ret z
        ld c,a
        ldir
        jr kestrip_unpack_words_record

kestrip_unpack_words_run:       ; A = 2n, n = 3..126
        rrca                    ; A = n
        srl a                   ; A = n / 2 pairs of words; carry: one more word
        ld b,a
        ld c,(hl)               ; the low byte
        inc hl
        ld a,(hl)               ; the high byte
        inc hl
        ex de,hl                ; HL = the destination while filling
        jr nc,kestrip_unpack_words_pairs
        ld (hl),c
        inc hl
        ld (hl),a
        inc hl
kestrip_unpack_words_pairs:     ; B >= 1: n >= 3
        ld (hl),c
        inc hl
        ld (hl),a
        inc hl
        ld (hl),c
        inc hl
        ld (hl),a
        inc hl
        djnz kestrip_unpack_words_pairs
        ex de,hl
        jr kestrip_unpack_words_record
