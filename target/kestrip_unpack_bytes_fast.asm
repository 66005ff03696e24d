; kestrip_unpack_bytes_fast: unpacks a byte stream (item header type 1),
; unrolled: long literals move by LDI blocks, long runs fill sixteen bytes a loop.
;
; The stream, the interface and the result are those of kestrip_unpack_bytes
; (kestrip_unpack_bytes.asm draws the format):
;
;   stream  := record* terminator
;   0x00                terminator
;   0x01..0x7E  n, then n bytes     literal: copied
;   0x83..0xFE  0x80+n, then v      run: v, n times (n = 3..126)
;
; In:        HL = the stream's first byte (just past the item header)
;            DE = where the item's first byte goes
; Out:       HL = the byte after the stream's terminator
;            DE = the byte after the last byte written
;            B = 0
; Destroys:  AF, C. IX, IY, the alternate registers and the stack are
;            left alone; interrupts stay as they were. Nothing but the
;            item's bytes is written.
; Size:      192 bytes. Relocatable: no absolute address inside.
; Speed:     a literal record of n bytes 21n + 51 T-states below 16 bytes (an
;            LDIR), about 17n + 4(n mod 16) + 97 from 16 on (blocks of 16
;            LDI); a run of n bytes 19.5n + 58.5 for an odd n below 16,
;            19.5n + 70 for an even one (two bytes a loop), about 13.8n +
;            177 from 16 on (sixteen bytes a loop), 12 more after another
;            run; the terminator 40 with the RET, the entry 7 (19 when the
;            first record is a literal). Figures on whole items: README,
;            "On the target".
;
; In place: as kestrip_unpack_bytes (its head gives the margin, ceil(N / 126)
; + 1 bytes for an item of N bytes).

kestrip_unpack_bytes_fast:
        ld b,0                  ; B stays 0 between records, so a count fits in C
        ld a,(hl)               ; the first control byte
        inc hl
        add a,a                 ; A = 2n; carry: a run; zero: the terminator (0x80 never occurs)
        jr c,kestrip_unpack_bytes_fast_run
        jr kestrip_unpack_bytes_fast_literal

kestrip_unpack_bytes_fast_long_literal:                             ; A = 2n, n = 16..126
        rrca
        ld c,a                  ; BC = n
        rrca
        rrca
        rrca
        rrca
        and 0Fh                 ; A = n / 16
kestrip_unpack_bytes_fast_sixteen:
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
        dec a                   ; LDI keeps the zero flag
        jr nz,kestrip_unpack_bytes_fast_sixteen
        or c                    ; BC = n mod 16 now
        jr z,kestrip_unpack_bytes_fast_after_literal
        ldir
        jr kestrip_unpack_bytes_fast_after_literal

kestrip_unpack_bytes_fast_literal:                          ; A = 2n: the first record, or one after a literal
        ret z
        cp 32
        jr nc,kestrip_unpack_bytes_fast_long_literal
        rrca                    ; A = n, 1..15
        ld c,a
        ldir
kestrip_unpack_bytes_fast_after_literal:                            ; after a literal comes a run, or the terminator
        ld a,(hl)               ; (a literal only after one of 126 bytes)
        inc hl
        add a,a
        jr nc,kestrip_unpack_bytes_fast_literal
kestrip_unpack_bytes_fast_run:                                      ; A = 2n, n = 3..126
        cp 32
        jr nc,kestrip_unpack_bytes_fast_long_run
        rrca                    ; A = n, 3..15, carry clear
        rra                     ; A = n / 2 pairs; carry: one byte more
        ld b,a
        ld a,(hl)               ; the byte to repeat
        inc hl
        jr nc,kestrip_unpack_bytes_fast_pairs
        ld (de),a
        inc de
kestrip_unpack_bytes_fast_pairs:
        ld (de),a
        inc de
        ld (de),a
        inc de
        djnz kestrip_unpack_bytes_fast_pairs            ; leaves B = 0
kestrip_unpack_bytes_fast_after_run:                                ; after a run, most often a literal
        ld a,(hl)
        inc hl
        add a,a
        jr nc,kestrip_unpack_bytes_fast_literal
        jr kestrip_unpack_bytes_fast_run

kestrip_unpack_bytes_fast_long_run:                                 ; A = 2n, n = 16..126
        ld c,a
        rlca
        rlca
        rlca
        and 07h                 ; A = n / 16
        ld b,a
        ld a,c
        rrca
        and 0Fh                 ; A = n mod 16 (carry clear)
        ld c,(hl)               ; the byte to repeat
        inc hl
        ex de,hl                ; HL = the destination while filling
kestrip_unpack_bytes_fast_sixteen_bytes:
        ld (hl),c
        inc hl
        ld (hl),c
        inc hl
        ld (hl),c
        inc hl
        ld (hl),c
        inc hl
        ld (hl),c
        inc hl
        ld (hl),c
        inc hl
        ld (hl),c
        inc hl
        ld (hl),c
        inc hl
        ld (hl),c
        inc hl
        ld (hl),c
        inc hl
        ld (hl),c
        inc hl
        ld (hl),c
        inc hl
        ld (hl),c
        inc hl
        ld (hl),c
        inc hl
        ld (hl),c
        inc hl
        ld (hl),c
        inc hl
        djnz kestrip_unpack_bytes_fast_sixteen_bytes
        rra                     ; the rest, bit by bit (the fills keep the flags)
        jr nc,kestrip_unpack_bytes_fast_fill2
        ld (hl),c
        inc hl
kestrip_unpack_bytes_fast_fill2:
        rra
        jr nc,kestrip_unpack_bytes_fast_fill4
        ld (hl),c
        inc hl
        ld (hl),c
        inc hl
kestrip_unpack_bytes_fast_fill4:
        rra
        jr nc,kestrip_unpack_bytes_fast_fill8
        ld (hl),c
        inc hl
        ld (hl),c
        inc hl
        ld (hl),c
        inc hl
        ld (hl),c
        inc hl
kestrip_unpack_bytes_fast_fill8:
        rra
        jr nc,kestrip_unpack_bytes_fast_filled
        ld (hl),c
        inc hl
        ld (hl),c
        inc hl
        ld (hl),c
        inc hl
        ld (hl),c
        inc hl
        ld (hl),c
        inc hl
        ld (hl),c
        inc hl
        ld (hl),c
        inc hl
        ld (hl),c
        inc hl
kestrip_unpack_bytes_fast_filled:
        ex de,hl
        jr kestrip_unpack_bytes_fast_after_run
