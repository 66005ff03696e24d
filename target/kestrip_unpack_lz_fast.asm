; kestrip_unpack_lz_fast: unpacks an LZ stream (item header type 3,
; "compresslz"), as kestrip_unpack_lz does, faster and larger.
;
; Reads and writes what kestrip_unpack_lz reads and writes (the stream is
; drawn in src/writers/lz_stream.h and at the head of that file).
;
; In:        HL = the stream's first byte (just past the item header)
;            DE = where the item's first byte goes
; Out:       HL = the byte after the stream (after its terminator)
;            DE = the byte after the last byte written
; Destroys:  AF, BC. IX, IY and the alternate registers are left alone;
;            interrupts stay as they were.
; Stack:     4 bytes below the return address.
; Size:      211 bytes. Relocatable: no absolute address inside.
; Speed:     a new match of 2 bytes at a distance up to 256 after a match
;            about 150 T-states in all (kestrip_unpack_lz: 224), of 3 or 4
;            bytes about 70 less than there; a literal run of 1 byte 83
;            (82). Figures on whole items: README, "On the target".
;
; In place: as kestrip_unpack_lz, with the same margin.
;
; What it does beyond kestrip_unpack_lz: a new match keeps -d in BC and
; copies from DE + BC; only a literal run, which a repeat match may
; follow, and a long match push it (every copy ends with two LDI, which
; leave BC = -d - 2), so IX is not needed. Matches of 2, 3 and 4 bytes are
; copied by LDI alone. The first bits of the hottest codes take the branch
; to a new bit byte only when one is due (ADD A,A and JR Z, 11 T-states a
; bit instead of 16).
; A holds the bits as in kestrip_unpack_lz.

; The next bit of the stream to carry.
lzf_bit macro
        add a,a
        jr nz,$+5               ; bits left in A
        ld a,(hl)               ; the next bit byte
        inc hl
        rla                     ; its top bit to carry, the marker in
        endm

kestrip_unpack_lz_fast:
        ld bc,0FFFDh            ; -d - 2 for d = 1, the repeat distance before any match
        ld a,080h               ; the marker alone: no bits yet
        jr lzf_after_match      ; the start is as after a match
lzf_literals:                   ; a literal run: -d - 2 kept on the stack for a repeat after it
        push bc
        lzf_bit
        jr nc,lzf_literal_long
        ldi                     ; n = 1
lzf_after_literals:
        pop bc
        add a,a
        jr z,lzf_refill_3
lzf_back_3:
        jr c,lzf_new_match      ; 1: a new match
        inc bc                  ; 0: a repeat match, BC = -d
        inc bc
        jr lzf_length
lzf_literal_long:               ; n > 1: the rest of gamma(n)
        ld bc,1
lzf_literal_bits:
        lzf_bit
        rl c
        rl b
        lzf_bit
        jr nc,lzf_literal_bits
        ldir
        jr lzf_after_literals
; Where the first bits of the hottest codes take their next bit byte.
lzf_refill_0:
        ld a,(hl)
        inc hl
        rla
        jr lzf_back_0
lzf_refill_1:
        ld a,(hl)
        inc hl
        rla
        jr lzf_back_1
lzf_refill_2:
        ld a,(hl)
        inc hl
        rla
        jr lzf_back_2
lzf_refill_3:
        ld a,(hl)
        inc hl
        rla
        jr lzf_back_3
lzf_three:                      ; m = 3
        push hl
        ld h,b
        ld l,c
        add hl,de
        ldi
        inc bc
        jr lzf_two_copy
lzf_two:                        ; m = 2
        push hl
        ld h,b
        ld l,c
        add hl,de               ; the source, DE - d
lzf_two_copy:                   ; the last two bytes of every match
        ldi
        ldi
        pop hl                  ; BC = -d - 2, kept for a literal run next
lzf_after_match:
        add a,a
        jr z,lzf_refill_0
lzf_back_0:
        jr nc,lzf_literals      ; 0: a literal run
lzf_new_match:                  ; 1: a new match, gamma(h) first
        add a,a
        jr z,lzf_refill_1
lzf_back_1:
        jr nc,lzf_far           ; h > 1
        ld b,0FFh               ; h = 1: -d hi
lzf_low:
        ld c,(hl)               ; -d lo
        inc hl
lzf_length:                     ; BC = -d; gamma(m - 1), its first codes here
        add a,a
        jr z,lzf_refill_2
lzf_back_2:
        jr c,lzf_two            ; m - 1 = 1
        lzf_bit
        jr c,lzf_odd
        lzf_bit
        jr c,lzf_three          ; m - 1 = 2
        push bc                 ; -d, while the length is read
        ld bc,2                 ; m - 1 = 10..., 4 or more
        jr lzf_long_bits
lzf_odd:
        lzf_bit
        jr nc,lzf_long_odd
        push hl                 ; m - 1 = 3, m = 4
        ld h,b
        ld l,c
        add hl,de
        ldi
        ldi
        inc bc
        inc bc
        jr lzf_two_copy
lzf_long_odd:
        push bc
        ld bc,3                 ; m - 1 = 11..., 5 or more
lzf_long_bits:
        lzf_bit
        rl c
        rl b
        lzf_bit
        jr nc,lzf_long_bits
        dec bc                  ; m - 2 bytes by LDIR, the last two by LDI
        ex (sp),hl              ; the stream pointer kept where -d was
        push hl
        add hl,de               ; the source, DE - d
        ldir
        pop bc                  ; -d
        jr lzf_two_copy
lzf_far:                        ; the rest of gamma(h) as its complement,
        ld bc,0FFFEh            ; so that B = 0FFh while h < 256
lzf_high:
        lzf_bit
        ccf
        rl c
        rl b
        lzf_bit
        jr nc,lzf_high
        inc b
        ret nz                  ; h = 256: the terminator
        inc c                   ; C = 255 - h + 1 = -d hi
        ld b,c
        jr lzf_low
