; kestrip_unpack_words_fast: unpacks a word stream (item header type 2),
; unrolled: literals move by LDI blocks, runs fill four words a loop.
;
; The stream, the interface and the result are those of kestrip_unpack_words
; (kestrip_unpack_words.asm draws the format):
;
;   stream  := record* terminator
;   0x00                                 terminator
;   0x01..0x7E  n, then n words (2n B)   literal: copied
;   0x83..0xFE  0x80+n, then low, high   run: the two bytes, n times (n = 3..126)
;
; In:        HL = the stream's first byte (just past the item header)
;            DE = where the item's first byte goes
; Out:       HL = the byte after the stream's terminator
;            DE = the byte after the last byte written
; Destroys:  AF, BC. IX, IY, the alternate registers and the stack are
;            left alone; interrupts stay as they were. Nothing but the
;            item's bytes is written.
; Size:      141 bytes. Relocatable: no absolute address inside.
; Speed:     a literal record of n words about 34.5n + 90 T-states (16 a
;            byte in blocks of 16 LDI), a run of n words about 29n + 110;
;            the terminator 34. Figures on whole items: README, "On the target".
;
; In place: as kestrip_unpack_words (its head gives the margin, ceil(N / 252)
; + 1 bytes for an item of N bytes).

kestrip_unpack_words_fast:
        ld a,(hl)               ; the control byte
        inc hl
        add a,a                 ; A = 2n, the record's bytes; carry: a run;
        jr c,kestrip_unpack_words_fast_run ; zero: the terminator (0x80 never occurs)
        ret z
kestrip_unpack_words_fast_literal:                    ; A = 2n, carry clear
        rrca                    ; A = n
        rra                     ; carry = bit 0 of n (LDI keeps the carry and zero flags)
        jr nc,kestrip_unpack_words_fast_copy4
        ldi
        ldi
kestrip_unpack_words_fast_copy4:
        rra                     ; carry = bit 1
        jr nc,kestrip_unpack_words_fast_copy8
        ldi
        ldi
        ldi
        ldi
kestrip_unpack_words_fast_copy8:
        rra                     ; carry = bit 2
        jr nc,kestrip_unpack_words_fast_copy16
        ldi
        ldi
        ldi
        ldi
        ldi
        ldi
        ldi
        ldi
kestrip_unpack_words_fast_copy16:
        and 0Fh                 ; A = n / 8 words: 16-byte blocks
        jr z,kestrip_unpack_words_fast_next
kestrip_unpack_words_fast_sixteen:
        ldi
        ldi
        ldi
        ldi
        ldi
        ldi
        ldi
        ldi
        ldi
        ldi
        ldi
        ldi
        ldi
        ldi
        ldi
        ldi
        dec a
        jr nz,kestrip_unpack_words_fast_sixteen
kestrip_unpack_words_fast_next:                       ; the next record, read again here to stay in reach
        ld a,(hl)
        inc hl
        add a,a
        jr c,kestrip_unpack_words_fast_run
        ret z
        jr kestrip_unpack_words_fast_literal

kestrip_unpack_words_fast_run:  ; A = 2n, n = 3..126
        rrca                    ; A = n
        ld b,a
        ld c,(hl)               ; the low byte
        inc hl
        ld a,(hl)               ; the high byte
        inc hl
        ex de,hl                ; HL = the destination while filling
        srl b                   ; carry = bit 0 of n (the fills keep the flags)
        jr nc,kestrip_unpack_words_fast_fill2
        ld (hl),c
        inc hl
        ld (hl),a
        inc hl
kestrip_unpack_words_fast_fill2:
        srl b                   ; carry = bit 1; zero: no four left
        jr nc,kestrip_unpack_words_fast_fill4
        ld (hl),c
        inc hl
        ld (hl),a
        inc hl
        ld (hl),c
        inc hl
        ld (hl),a
        inc hl
kestrip_unpack_words_fast_fill4:
        jr z,kestrip_unpack_words_fast_filled
kestrip_unpack_words_fast_four:
        ld (hl),c
        inc hl
        ld (hl),a
        inc hl
        ld (hl),c
        inc hl
        ld (hl),a
        inc hl
        ld (hl),c
        inc hl
        ld (hl),a
        inc hl
        ld (hl),c
        inc hl
        ld (hl),a
        inc hl
        djnz kestrip_unpack_words_fast_four
kestrip_unpack_words_fast_filled:
        ex de,hl
        jr kestrip_unpack_words_fast_next
