; kestrip_unpack_lz: unpacks an LZ stream (header type 3, "compresslz").
;
; Reads   the stream from HL up to and including its terminator (format:
;         src/writers/lz_stream.h): bits from bit bytes, taken as they are
;         needed, and literal and distance bytes between them.
; Writes  the item's bytes from DE upwards, and nothing else. A match copies
;         from bytes already written, so the destination must not overlap
;         the part of the stream still to be read.
; In      HL = the stream's first byte (just past the item header)
;         DE = where the item's bytes go
; Out     HL = the byte after the stream (after its terminator)
;         DE = the byte after the last byte written
; Destroys AF, BC, IX. Leaves IY, the alternate registers and the interrupt
;         state alone. Uses 4 bytes of stack below the return address.
; Size    114 bytes; relocatable (JR only), no self-modifying code.
; Speed   literals and matches are moved by LDIR (21 T-states a byte); each
;         bit costs 16 to 28 T-states more and each match about 90. On the
;         benchmark corpus's items 58 T-states per output byte, 2.77 times
;         an LDIR of the same bytes (greyscale noise 5.5 times, colour maps
;         1.7); a run of one byte 21.0, so about LDIR speed.
;
; Registers while it runs: A holds the bits not yet used of the current bit
; byte, shifted up, with a 1 below them as a marker: when only the marker
; is left, ADD A,A gives zero and the next stream byte is fetched, its top
; bit going to carry and the marker coming in from carry at the bottom.
; BC collects gamma codes (interlaced: a 1 ends the code, a 0 is followed by
; the next bit of the value) and is LDIR's count. IX holds -d, the distance
; of the last new match, as a 16-bit negative: the match's source is DE + IX.

; The next bit of the stream to carry.
lz_bit macro
        add a,a
        jr nz,$+5               ; bits left in A
        ld a,(hl)               ; the next bit byte
        inc hl
        rla                     ; its top bit to carry, the marker in
        endm

kestrip_unpack_lz:
        ld ix,0FFFFh            ; -d = -1: the repeat distance before any match
        ld a,080h               ; the marker alone: no bits yet
lz_after_match:
        lz_bit
        jr c,lz_new_match       ; 1: a new match
        ld bc,1                 ; 0: a literal run, gamma(n)
lz_run_length:
        lz_bit
        jr c,lz_run_copy
        lz_bit
        rl c
        rl b
        jr lz_run_length
lz_run_copy:
        ldir                    ; the n literals
        lz_bit
        jr nc,lz_match_length   ; 0: a repeat match, same IX
lz_new_match:
        ld bc,0FFFEh            ; gamma(h) collected as its complement,
lz_high:                        ; so that B = 0FFh while h < 256
        lz_bit
        jr c,lz_high_done
        lz_bit
        ccf
        rl c
        rl b
        jr lz_high
lz_high_done:
        inc b
        ret nz                  ; h = 256: the terminator
        inc c                   ; C = 256 - h = -d hi
        ld b,c
        ld c,(hl)               ; -d lo
        inc hl
        push bc
        pop ix
lz_match_length:
        ld bc,1                 ; gamma(m - 1)
lz_length:
        lz_bit
        jr c,lz_copy
        lz_bit
        rl c
        rl b
        jr lz_length
lz_copy:
        inc bc                  ; m
        push hl
        push ix
        pop hl
        add hl,de               ; DE - d
        ldir
        pop hl
        jr lz_after_match
