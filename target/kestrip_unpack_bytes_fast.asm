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
; Size:      189 bytes. Relocatable: no absolute address inside.
; Speed:     a literal record of n bytes 21n + 37 T-states below 16 bytes (an
;            LDIR), about 17n + 4(n mod 16) + 80 from 16 on (blocks of 16
;            LDI); a run of n bytes about 19.5n + 65 below 16 bytes, about
;            14n + 150 from 16 on (sixteen bytes a loop); the terminator 53.
;            Figures on whole items: README, "On the target".

kestrip_unpack_bytes_fast:
        ld b,0                  ; B stays 0 between records, so a count fits in C
        ld c,(hl)               ; the control byte
        inc hl
        ld a,c
        add a,a                 ; A = 2n; carry: a run; zero: the terminator (0x80 never occurs)
        jr c,kestrip_unpack_bytes_fast_run
        ret z
kestrip_unpack_bytes_fast_literal:                    ; BC = n, A = 2n
        cp 32
        jr nc,kestrip_unpack_bytes_fast_long_literal
        ldir
kestrip_unpack_bytes_fast_after_literal:              ; after a literal, most often a run
        ld c,(hl)
        inc hl
        ld a,c
        add a,a
        jr nc,kestrip_unpack_bytes_fast_not_run
kestrip_unpack_bytes_fast_run:                        ; A = 2n, C = 0x80 + n
        cp 32
        jr nc,kestrip_unpack_bytes_fast_long_run
        rrca                    ; n = 3..15: A = n, carry clear
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
        djnz kestrip_unpack_bytes_fast_pairs          ; leaves B = 0
kestrip_unpack_bytes_fast_after_run:
        ld c,(hl)
        inc hl
        ld a,c
        add a,a
        jr c,kestrip_unpack_bytes_fast_run
kestrip_unpack_bytes_fast_not_run:
        ret z
        jr kestrip_unpack_bytes_fast_literal
kestrip_unpack_bytes_fast_long_literal:               ; A = 2n, n = 16..126; BC = n
        rlca
        rlca
        rlca
        and 07h                 ; A = n / 16
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
kestrip_unpack_bytes_fast_to_after_run:
        jr kestrip_unpack_bytes_fast_after_run        ; out of the short jump's reach from below

kestrip_unpack_bytes_fast_long_run:                   ; A = 2n, n = 16..126; C = 0x80 + n
        rlca
        rlca
        rlca
        and 07h                 ; A = n / 16
        ld b,a
        ld a,c
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
        jr kestrip_unpack_bytes_fast_to_after_run
